"""Placeholder: the desktop proxy's session endpoint."""
