"""tessark.dask on a local cluster of two worker processes: every text as
tessark.to_text gives it, from page bytes, from text and from file paths."""
import pathlib

import pytest

import tessark
import tessark.dask
from conftest import corpus_pages

dask_bag = pytest.importorskip("dask.bag")
distributed = pytest.importorskip("distributed")


@pytest.fixture(scope="module")
def client():
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None,
                                  silence_logs=40) as cluster, distributed.Client(cluster) as client:
        yield client


@pytest.mark.parametrize("options", [{}, {"links": "list", "width": 40}, {"readable": False}], ids=repr)
def test_a_bag_of_pages_gives_to_texts_texts(client, options):
    paths = corpus_pages()
    pages = [p.read_bytes() for p in paths]
    items = pages[:20] + [pages[20].decode("utf-8", "replace")] + paths[21:]
    texts = tessark.dask.to_text_bag(dask_bag.from_sequence(items, npartitions=6), **options).compute()
    assert texts == [tessark.to_text(p, **options) for p in pages[:20] + items[20:21] + pages[21:]]


def test_from_paths_reads_the_files_on_the_workers(client):
    paths = corpus_pages(10)
    texts = tessark.dask.from_paths([str(p) for p in paths], npartitions=4, links="inline").compute()
    assert texts == [tessark.to_text(p.read_bytes(), links="inline") for p in paths]
    # by now both worker processes have converted (they load the module to do it)
    loaded = client.run(lambda: __import__("sys").modules.get("tessark._tessark") is not None)
    assert list(loaded.values()) == [True, True]


def test_bad_options_fail_before_the_cluster_works():
    with pytest.raises(TypeError):
        tessark.dask.to_text_bag(dask_bag.from_sequence([b"x"]), no_such_option=True)
    with pytest.raises(tessark.Error):
        tessark.dask.from_paths([pathlib.Path("x.html")], encoding="no-such-charset")


def test_archive_pages_are_warc_pages_on_the_workers(client, tmp_path):
    from test_records import ARCHIVE

    paths = [tmp_path / "a.warc.gz", tmp_path / "b.warc.gz"]
    paths[0].write_bytes(ARCHIVE)
    paths[1].write_bytes(ARCHIVE[:ARCHIVE.index(b"\x1f\x8b", 10)])  # the first record only
    pages = tessark.dask.archive_pages(paths, width=8).compute()
    assert [(p["archive"], p["url"], p["text"]) for p in pages] == [
        (str(path), page.url, page.text) for path in paths for page in tessark.warc_pages(path, width=8)]
    assert len(pages) == 4
