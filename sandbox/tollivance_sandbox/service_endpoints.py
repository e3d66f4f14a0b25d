"""Placeholder: the session-start endpoint, the version text and the download page."""
