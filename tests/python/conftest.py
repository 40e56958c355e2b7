"""What the Python tests share: the corpus pages and the program's path."""
import os
import pathlib

import pytest

DATA = pathlib.Path(os.environ.get("TESSARK_TEST_DATA", pathlib.Path(__file__).parents[1] / "data"))


def corpus_pages(sample=None):
    """The corpus pages, every one or the first `sample` by name."""
    pages = sorted((DATA / "corpus").glob("*.html"))
    return pages if sample is None else pages[:sample]


@pytest.fixture(scope="session")
def program():
    path = os.environ.get("TESSARK_PROGRAM")
    if not path:
        pytest.skip("TESSARK_PROGRAM is not set (run through ctest)")
    return path
