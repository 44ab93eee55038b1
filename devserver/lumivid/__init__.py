"""Local stand-in for the Lumivid service, used by Clipferry's tests and demo."""
