import _velkor


def test_module_imports():
    assert _velkor.__doc__ == "basic"
