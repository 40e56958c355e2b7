from collections.abc import Iterable
from typing import Literal, TypedDict, Unpack


__version__: str

Page = bytes | bytearray | memoryview | str

class Options(TypedDict, total=False):
    readable: bool
    encoding: str
    links: Literal["none", "inline", "list"]
    alt_text: bool
    base_url: str
    width: int
    crlf: bool
    remove_comments: bool
    remove_scripts: bool
    remove_styles: bool
    remove_functions: bool
    remove_pipe: bool
    remove_tabs: bool
    generate_special_chars: bool
    remove_all_tags: bool
    remove_all_crlf: bool
    remove_spaces: bool
    remove_blank_lines: bool
    decode_all_references: bool
    classic_line_ends: bool

class Error(ValueError):
    number: int

def to_text(html: Page, **options: Unpack[Options]) -> str: ...
def to_text_many(pages: Iterable[Page], *, threads: int = 0, **options: Unpack[Options]) -> list[str]: ...

class Converter:
    def __init__(self, **options: Unpack[Options]) -> None: ...
    def convert(self, html: Page) -> str: ...
    def feed(self, data: bytes | bytearray | memoryview) -> str: ...
    def finish(self) -> str: ...
    @property
    def encoding_used(self) -> str: ...
    @property
    def encoding_reason(self) -> str: ...
