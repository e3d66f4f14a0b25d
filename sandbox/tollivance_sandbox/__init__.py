"""The sandbox's sides: HTTPS, SSH, print queue and the stand-in desktop."""
