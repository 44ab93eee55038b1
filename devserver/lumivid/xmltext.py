"""Compact XML writing: no whitespace between elements, because the client
walks "last child" chains and a stray text node would end its walk."""

from typing import Iterable, Optional, Sequence, Tuple, Union
from xml.sax.saxutils import escape, quoteattr

Attrs = Sequence[Tuple[str, str]]
Content = Union[None, str, int, Iterable[str]]

XML_DECLARATION = '<?xml version="1.0" encoding="UTF-8"?>\n'


def element(name: str, content: Content = None, attrs: Optional[Attrs] = None) -> str:
    """One element; str/int content is escaped text, an iterable is child markup."""
    attr_text = "".join(f" {k}={quoteattr(v)}" for k, v in (attrs or ()))
    if content is None:
        inner = ""
    elif isinstance(content, (str, int)):
        inner = escape(str(content))
    else:
        inner = "".join(content)
    return f"<{name}{attr_text}>{inner}</{name}>"


def document(root: str) -> bytes:
    return (XML_DECLARATION + root + "\n").encode("utf-8")
