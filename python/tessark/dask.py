"""Tessark over Dask: the texts of a bag of pages, converted on the workers.

    import dask.bag as db
    from distributed import Client
    import tessark.dask

    client = Client("tcp://scheduler:8786")
    pages = db.from_sequence(paths, npartitions=64)      # pathlib.Path items
    texts = tessark.dask.to_text_bag(pages, links="list").compute()

Each item of the bag is a page: bytes (the page's bytes), a str (text, as
tessark.to_text takes it) or an os.PathLike (a file the worker reads, so
only the name travels). One converter is built per partition. The options
are those of tessark.to_text. Every worker needs the package tessark.

    pages = tessark.dask.archive_pages(["a.warc.gz", "b.warc.gz"]).compute()

archive_pages gives the pages of web archives read on the workers, an
archive a partition, each page a dict (archive, url, date, record_id,
charset, text, offset); records skipped for a problem are left out, as
tessark.warc_pages skips them (its .problems tells them).

Thread safety: the functions build new bags; the conversions run wherever
Dask runs them (tessark releases the GIL, so threaded workers convert in
parallel).
"""
from __future__ import annotations

import os
import pathlib
from collections.abc import Iterable
from typing import TYPE_CHECKING, Any

import tessark

if TYPE_CHECKING:
    import dask.bag


def _convert_partition(items: Iterable[Any], options: dict[str, Any]) -> list[str]:
    converter = tessark.Converter(**options)
    texts = []
    for item in items:
        if isinstance(item, os.PathLike):
            with open(item, "rb") as f:
                item = f.read()
        texts.append(converter.convert(item))
    return texts


def to_text_bag(bag: dask.bag.Bag, **options: Any) -> dask.bag.Bag:
    """A bag of the texts of the bag's pages, in order (lazy: compute it)."""
    tessark.Converter(**options)  # bad options fail here, not on a worker
    return bag.map_partitions(_convert_partition, options)


def from_paths(paths: Iterable[str | os.PathLike[str]], npartitions: int | None = None, **options: Any) -> dask.bag.Bag:
    """The texts of the files at paths (str or os.PathLike), read on the workers."""
    import dask.bag  # noqa: F811 (at run time, only when used)

    bag = dask.bag.from_sequence([pathlib.Path(p) for p in paths], npartitions=npartitions)
    return to_text_bag(bag, **options)


def _archive_partition(paths: Iterable[str], options: dict[str, Any]) -> list[dict[str, Any]]:
    pages = []
    for path in paths:
        for page in tessark.warc_pages(path, **options):
            pages.append({"archive": path, "url": page.url, "date": page.date, "record_id": page.record_id,
                          "charset": page.charset, "text": page.text, "offset": page.offset})
    return pages


def archive_pages(paths: Iterable[str | os.PathLike[str]], **options: Any) -> dask.bag.Bag:
    """A bag of the pages of the web archives at paths, an archive a partition, read on the workers."""
    import dask.bag  # noqa: F811 (at run time, only when used)

    tessark.Converter(**options)  # bad options fail here, not on a worker
    names = [os.fspath(p) for p in paths]
    return dask.bag.from_sequence(names, npartitions=max(1, len(names))).map_partitions(_archive_partition, options)
