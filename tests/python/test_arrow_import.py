"""Import of the event record batch through the Arrow C Data Interface: the capsule protocol,
the pyarrow fallback, the refusal of malformed arrays and the release of every exported
struct exactly once."""

import ctypes
import gc
import sys
import tracemalloc
import types

import nanoarrow as na
import pyarrow as pa
import pytest

import _velkor

# A call whose record batch was imported fails on the next argument, whatever the pricing
# flow would do with the batch.
ACCEPTED = "argument 'dataset': 'list' object cannot be converted to 'PyDict'"


def import_batch(events_rb):
    _velkor.fixed_price(events_rb, None, [], {})


def assert_accepted(events_rb):
    with pytest.raises(TypeError) as error:
        import_batch(events_rb)
    assert str(error.value) == ACCEPTED


class Producer:
    """An object whose __arrow_c_array__ returns what answer() gives."""

    def __init__(self, answer):
        self.answer = answer

    def __arrow_c_array__(self):
        return self.answer()


# --- Hand-made C structs ---------------------------------------------------------------


class ArrowSchema(ctypes.Structure):
    pass


class ArrowArray(ctypes.Structure):
    pass


ReleaseSchema = ctypes.CFUNCTYPE(None, ctypes.POINTER(ArrowSchema))
ReleaseArray = ctypes.CFUNCTYPE(None, ctypes.POINTER(ArrowArray))

ArrowSchema._fields_ = [
    ("format", ctypes.c_char_p),
    ("name", ctypes.c_char_p),
    ("metadata", ctypes.c_char_p),
    ("flags", ctypes.c_int64),
    ("n_children", ctypes.c_int64),
    ("children", ctypes.POINTER(ctypes.POINTER(ArrowSchema))),
    ("dictionary", ctypes.POINTER(ArrowSchema)),
    ("release", ReleaseSchema),
    ("private_data", ctypes.c_void_p),
]
ArrowArray._fields_ = [
    ("length", ctypes.c_int64),
    ("null_count", ctypes.c_int64),
    ("offset", ctypes.c_int64),
    ("n_buffers", ctypes.c_int64),
    ("n_children", ctypes.c_int64),
    ("buffers", ctypes.POINTER(ctypes.c_void_p)),
    ("children", ctypes.POINTER(ctypes.POINTER(ArrowArray))),
    ("dictionary", ctypes.POINTER(ArrowArray)),
    ("release", ReleaseArray),
    ("private_data", ctypes.c_void_p),
]

CapsuleDestructor = ctypes.CFUNCTYPE(None, ctypes.c_void_p)
PyCapsule_New = ctypes.pythonapi.PyCapsule_New
PyCapsule_New.restype = ctypes.py_object
PyCapsule_New.argtypes = [ctypes.c_void_p, ctypes.c_char_p, CapsuleDestructor]
# The destructor gets the dying capsule's address: it must not become a new reference.
PyCapsule_GetPointer = ctypes.pythonapi.PyCapsule_GetPointer
PyCapsule_GetPointer.restype = ctypes.c_void_p
PyCapsule_GetPointer.argtypes = [ctypes.c_void_p, ctypes.c_char_p]
PyCapsule_GetName = ctypes.pythonapi.PyCapsule_GetName
PyCapsule_GetName.restype = ctypes.c_char_p
PyCapsule_GetName.argtypes = [ctypes.c_void_p]


def _release_the_struct(kind):
    def destructor(address):
        # A compliant producer releases a struct that nobody took out of its capsule.
        name = PyCapsule_GetName(address)
        pointer = ctypes.cast(PyCapsule_GetPointer(address, name), ctypes.POINTER(kind))
        if pointer.contents.release:
            pointer.contents.release(pointer)

    return CapsuleDestructor(destructor)


DESTROY_SCHEMA = _release_the_struct(ArrowSchema)
DESTROY_ARRAY = _release_the_struct(ArrowArray)
NO_DESTRUCTOR = CapsuleDestructor()


def capsule(struct, name, destructor=NO_DESTRUCTOR):
    return PyCapsule_New(ctypes.addressof(struct), name, destructor)


class Node:
    """One array with its schema, keeping its buffers and children alive. Every struct's
    release callback counts its calls on its node."""

    def __init__(self, format, length, buffers, children=(), name=b"", dictionary=None):
        self.children = list(children)
        self.dictionary = dictionary
        self.buffers = list(buffers)
        self.schema = ArrowSchema()
        self.array = ArrowArray()
        self.schema.format = format
        self.schema.name = name
        self.array.length = length
        self.buffer_pointers = (ctypes.c_void_p * max(len(buffers), 1))(
            *[None if b is None else ctypes.addressof(b) for b in buffers]
        )
        self.array.n_buffers = len(buffers)
        self.array.buffers = self.buffer_pointers
        count = len(self.children)
        self.schema_children = (ctypes.POINTER(ArrowSchema) * max(count, 1))(
            *[ctypes.pointer(c.schema) for c in self.children]
        )
        self.array_children = (ctypes.POINTER(ArrowArray) * max(count, 1))(
            *[ctypes.pointer(c.array) for c in self.children]
        )
        self.schema.n_children = self.array.n_children = count
        if count:
            self.schema.children = self.schema_children
            self.array.children = self.array_children
        if dictionary is not None:
            self.schema.dictionary = ctypes.pointer(dictionary.schema)
            self.array.dictionary = ctypes.pointer(dictionary.array)
        self.releases = {"schema": 0, "array": 0}
        self.schema.release = self._release_schema = ReleaseSchema(self._count("schema"))
        self.array.release = self._release_array = ReleaseArray(self._count("array"))

    def _count(self, which):
        def release(pointer):
            self.releases[which] += 1
            pointer.contents.release = (ReleaseSchema if which == "schema" else ReleaseArray)()

        return release

    def child(self, name):
        return next(c for c in self.children if c.schema.name == name)

    def __arrow_c_array__(self):
        return (
            capsule(self.schema, b"arrow_schema", DESTROY_SCHEMA),
            capsule(self.array, b"arrow_array", DESTROY_ARRAY),
        )


def int64s(values):
    return (ctypes.c_int64 * len(values))(*values)


def utf8(offsets, data, name=b""):
    offsets = (ctypes.c_int32 * len(offsets))(*offsets)
    buffers = [None, offsets, ctypes.create_string_buffer(data)]
    return Node(b"u", len(offsets) - 1, buffers, name=name)


def hand_made_events():
    """Three rows: time (tsm:), name (Utf8 "a", "bc", ""), quantity (float64) and track
    (int64 indices into the Utf8 dictionary "A", "B")."""
    time = Node(b"tsm:", 3, [None, int64s([0, 1000, 2000])], name=b"time")
    name = utf8([0, 1, 3, 3], b"abc", name=b"name")
    quantity = Node(b"g", 3, [None, (ctypes.c_double * 3)(1, 2, 3)], name=b"quantity")
    names = utf8([0, 1, 2], b"AB")
    track = Node(b"l", 3, [None, int64s([0, 1, 0])], name=b"track", dictionary=names)
    return Node(b"+s", 3, [None], children=[time, name, quantity, track])


def set_buffer(node, index, buffer):
    node.buffers[index] = buffer
    node.buffer_pointers[index] = None if buffer is None else ctypes.addressof(buffer)


def struct_with_nulls(root, null_count):
    set_buffer(root, 0, (ctypes.c_uint8 * 1)(0b101))
    root.array.null_count = null_count


MALFORMED = {
    "null_values_buffer": (
        lambda r: set_buffer(r.child(b"quantity"), 1, None),
        "Column 'quantity': buffer 1 is null",
    ),
    "null_offsets_buffer": (
        lambda r: set_buffer(r.child(b"name"), 1, None),
        "Column 'name': buffer 1 is null",
    ),
    "negative_length": (
        lambda r: setattr(r.child(b"time").array, "length", -3),
        "Column 'time': length is negative (-3)",
    ),
    "negative_batch_offset": (
        lambda r: setattr(r.array, "offset", -1),
        "Record batch: offset is negative (-1)",
    ),
    "decreasing_utf8_offsets": (
        lambda r: set_buffer(r.child(b"name"), 1, (ctypes.c_int32 * 4)(0, 3, 1, 3)),
        "Column 'name': Utf8 offsets decrease at position 2 (3 then 1)",
    ),
    "bad_format_string": (
        lambda r: setattr(r.child(b"time").schema, "format", b"tsm"),
        "Column 'time': malformed timestamp format 'tsm'",
    ),
    "missing_format_string": (
        lambda r: setattr(r.child(b"time").schema, "format", None),
        "Column 'time': format string is missing",
    ),
    "too_short_child": (
        lambda r: setattr(r.child(b"quantity").array, "length", 2),
        "Column 'quantity': length 2 is shorter than the parent's offset + length 3",
    ),
    "child_counts_disagree": (
        lambda r: setattr(r.array, "n_children", 2),
        "Record batch: schema has 4 children, array has 2",
    ),
    "dictionary_only_in_schema": (
        lambda r: setattr(r.child(b"track").array, "dictionary", None),
        "Column 'track': schema has a dictionary, array has none",
    ),
    "malformed_dictionary": (
        lambda r: set_buffer(r.child(b"track").dictionary, 1, (ctypes.c_int32 * 3)(-1, 1, 2)),
        "Column 'track (dictionary)': Utf8 offset -1 at position 0 is negative",
    ),
    "nulls_without_bitmap": (
        lambda r: setattr(r.child(b"quantity").array, "null_count", 1),
        "Column 'quantity': validity buffer is null but null_count is 1",
    ),
    "struct_with_nulls": (
        lambda r: struct_with_nulls(r, 1),
        "Record batch: the struct array has null rows (1 of 3), a record batch has none",
    ),
    "struct_with_uncounted_nulls": (
        lambda r: struct_with_nulls(r, -1),
        "Record batch: the struct array has null rows (1 of 3), a record batch has none",
    ),
}


@pytest.mark.parametrize("mutate, message", MALFORMED.values(), ids=MALFORMED.keys())
def test_malformed_arrays_are_refused_and_released_once(mutate, message):
    root = hand_made_events()
    mutate(root)
    with pytest.raises(ValueError) as error:
        import_batch(root)
    assert str(error.value) == message
    assert root.releases == {"schema": 1, "array": 1}


def test_hand_made_batch_is_accepted_and_released_once():
    root = hand_made_events()
    assert_accepted(root)
    assert root.releases == {"schema": 1, "array": 1}
    assert all(c.releases == {"schema": 0, "array": 0} for c in root.children)


def test_a_struct_already_released_in_its_capsule_is_refused():
    root = hand_made_events()
    root.array.release = ReleaseArray()
    with pytest.raises(ValueError, match="^Record batch: array is released$"):
        import_batch(root)
    assert root.releases == {"schema": 1, "array": 0}


def test_releases_happen_once_when_the_import_stops_before_taking_the_structs():
    # The capsules' own destructors release what was never taken out.
    root = hand_made_events()
    wrong = Producer(
        lambda: (
            capsule(root.schema, b"arrow_schema", DESTROY_SCHEMA),
            capsule(root.array, b"arrow_arrays", DESTROY_ARRAY),
        )
    )
    with pytest.raises(ValueError, match="instead got 'arrow_arrays'"):
        import_batch(wrong)
    assert root.releases == {"schema": 1, "array": 1}


def test_a_non_struct_array_is_released_once():
    values = Node(b"l", 3, [None, int64s([1, 2, 3])])
    with pytest.raises(TypeError, match="Expected Struct type"):
        import_batch(values)
    assert values.releases == {"schema": 1, "array": 1}


# --- Protocol messages -----------------------------------------------------------------


def pyarrow_capsules():
    return pa.record_batch({"x": pa.array([1.0])}).__arrow_c_array__()


NAMELESS = ctypes.c_int64(0)

PROTOCOL_ERRORS = {
    "list_not_tuple": (
        lambda: list(pyarrow_capsules()),
        TypeError,
        "argument 'events_rb': Expected __arrow_c_array__ to return a tuple.",
    ),
    "schema_not_capsule": (
        lambda: (1, pyarrow_capsules()[1]),
        TypeError,
        "argument 'events_rb': 'int' object cannot be converted to 'PyCapsule'",
    ),
    "array_not_capsule": (
        lambda: (pyarrow_capsules()[0], "array"),
        TypeError,
        "argument 'events_rb': 'str' object cannot be converted to 'PyCapsule'",
    ),
    "schema_without_name": (
        lambda: (capsule(NAMELESS, None), pyarrow_capsules()[1]),
        ValueError,
        "Expected schema PyCapsule to have name set.",
    ),
    "array_without_name": (
        lambda: (pyarrow_capsules()[0], capsule(NAMELESS, None)),
        ValueError,
        "Expected schema PyCapsule to have name set.",
    ),
    "schema_named_array": (
        lambda: (pyarrow_capsules()[1], pyarrow_capsules()[1]),
        ValueError,
        "Expected name 'arrow_schema' in PyCapsule, instead got 'arrow_array'",
    ),
    "array_named_schema": (
        lambda: (pyarrow_capsules()[0], pyarrow_capsules()[0]),
        ValueError,
        "Expected name 'arrow_array' in PyCapsule, instead got 'arrow_schema'",
    ),
    "one_item": (
        lambda: (pyarrow_capsules()[0],),
        ValueError,
        "Expected __arrow_c_array__ to return a tuple of two capsules, got 1 items.",
    ),
    "not_a_struct": (
        lambda: pa.array([1, 2]).__arrow_c_array__(),
        TypeError,
        "argument 'events_rb': Expected Struct type from __arrow_c_array.",
    ),
}


@pytest.mark.parametrize(
    "answer, kind, message", PROTOCOL_ERRORS.values(), ids=PROTOCOL_ERRORS.keys()
)
def test_capsule_protocol_messages(answer, kind, message):
    with pytest.raises(kind) as error:
        import_batch(Producer(answer))
    assert type(error.value) is kind
    assert str(error.value) == message


def test_exceptions_of_the_producer_pass_through():
    def fails():
        raise KeyError("boom")

    with pytest.raises(KeyError, match="boom"):
        import_batch(Producer(fails))

    def wrong_call():
        raise TypeError("no capsules today")

    with pytest.raises(TypeError, match="^argument 'events_rb': no capsules today$"):
        import_batch(Producer(wrong_call))


class NotABatch:
    pass


@pytest.mark.parametrize(
    "value, got",
    [
        (5, "builtins.int"),
        (None, "builtins.NoneType"),
        (pa.table({"x": [1]}), "pyarrow.lib.Table"),
        (NotABatch(), f"{__name__}.NotABatch"),
    ],
    ids=["int", "none", "table", "local_class"],
)
def test_objects_that_are_no_record_batch(value, got):
    with pytest.raises(TypeError) as error:
        import_batch(value)
    assert str(error.value) == (
        f"argument 'events_rb': Expected instance of pyarrow.RecordBatch, got {got}."
    )


def test_import_comes_before_the_other_arguments():
    with pytest.raises(TypeError, match="^argument 'events_rb': "):
        _velkor.mc_price(5, None, [], [])


# --- Producers accepted ----------------------------------------------------------------


def nanoarrow_events():
    time = na.c_array([1, 2], na.timestamp("ms", "UTC"))
    quantity = na.c_array([1.5, 2.5], na.float64())
    track = na.c_array(
        pa.DictionaryArray.from_arrays(pa.array([0, None], pa.int64()), pa.array(["A"]))
    )
    schema = na.struct({"time": time.schema, "track": track.schema, "quantity": quantity.schema})
    return na.c_array_from_buffers(schema, 2, [None], children=[time, track, quantity])


@pytest.mark.parametrize(
    "make",
    [
        lambda events: events,
        lambda events: pa.StructArray.from_arrays(events.columns, names=events.schema.names),
        lambda events: events.slice(1, 0),
        lambda events: pa.record_batch({"y": [1.0, 2.0]}).slice(1),
        lambda events: nanoarrow_events(),
    ],
    ids=["pyarrow_batch", "pyarrow_struct_array", "empty_slice", "sliced", "nanoarrow"],
)
def test_producers_of_the_capsule_protocol_are_accepted(make, events_rb):
    assert_accepted(make(events_rb))


def test_pyarrow_struct_array_with_nulls_is_refused():
    rows = pa.StructArray.from_arrays(
        [pa.array([1.0, 2.0])], names=["x"], mask=pa.array([False, True])
    )
    with pytest.raises(ValueError) as error:
        import_batch(rows)
    assert str(error.value) == (
        "Record batch: the struct array has null rows (1 of 2), a record batch has none"
    )


class ExportOnly:
    """Something with only pyarrow's older export method."""

    def __init__(self, wrapped):
        self.wrapped = wrapped

    def _export_to_c(self, address):
        self.wrapped._export_to_c(address)


@pytest.fixture
def pyarrow_module(monkeypatch):
    """A stand-in pyarrow whose RecordBatch class is a plain attribute holder, so the
    fallback path can be fed any schema, columns and row count."""

    class RecordBatch:
        def __init__(self, schema, columns, num_rows):
            self.schema, self.columns, self.num_rows = schema, columns, num_rows

    monkeypatch.setitem(sys.modules, "pyarrow", types.SimpleNamespace(RecordBatch=RecordBatch))
    return RecordBatch


def test_pyarrow_batch_is_read_from_schema_columns_and_num_rows(pyarrow_module, events_rb):
    assert_accepted(pyarrow_module(events_rb.schema, events_rb.columns, 1))
    exported = pyarrow_module(
        ExportOnly(events_rb.schema), [ExportOnly(c) for c in events_rb.columns], 1
    )
    assert_accepted(exported)


@pytest.mark.parametrize(
    "change, message",
    [
        (lambda b: b.columns.pop(), "Record batch: 4 columns for 5 schema fields"),
        (
            lambda b: setattr(b, "num_rows", 2),
            "Column 'time': length 1 differs from the 2 rows of the batch",
        ),
        (
            lambda b: b.columns.reverse(),
            "Column 'time': array has a dictionary, schema has none",
        ),
    ],
    ids=["column_missing", "row_count", "columns_out_of_order"],
)
def test_pyarrow_batch_disagreeing_with_its_schema(pyarrow_module, events_rb, change, message):
    batch = pyarrow_module(events_rb.schema, list(events_rb.columns), events_rb.num_rows)
    change(batch)
    with pytest.raises(ValueError) as error:
        import_batch(batch)
    assert str(error.value) == message


def test_pyarrow_fallback_releases_every_export_once(pyarrow_module):
    root = hand_made_events()

    class Moves:
        """Exports a node by moving its struct to the consumer's address."""

        def __init__(self, node, kind):
            self.node, self.kind = node, kind

        def _export_to_c(self, address):
            struct = getattr(self.node, self.kind)
            ctypes.memmove(address, ctypes.addressof(struct), ctypes.sizeof(struct))
            struct.release = type(struct.release)()

    columns = [Moves(c, "array") for c in root.children]
    assert_accepted(pyarrow_module(Moves(root, "schema"), columns, 3))
    assert root.releases["schema"] == 1
    assert all(c.releases["array"] == 1 for c in root.children)

    for c in root.children:
        c.array.release = c._release_array
    root.schema.release = root._release_schema
    with pytest.raises(ValueError, match="differs from the 4 rows"):
        import_batch(pyarrow_module(Moves(root, "schema"), columns, 4))
    assert root.releases["schema"] == 2
    assert all(c.releases["array"] == 2 for c in root.children)


# --- No leaks --------------------------------------------------------------------------


def test_many_calls_leave_no_references_or_memory_behind(events_rb):
    not_struct = pa.array([1, 2, 3])
    malformed = hand_made_events()
    MALFORMED["decreasing_utf8_offsets"][0](malformed)
    arguments = (events_rb, not_struct, malformed, 5)

    def round_of_calls():
        # A fresh batch each time: buffers kept by a missed release would stay allocated.
        fresh = pa.record_batch({"q": pa.array([1.0] * 64)})
        malformed.schema.release = malformed._release_schema
        malformed.array.release = malformed._release_array
        for value in (*arguments, fresh):
            try:
                import_batch(value)
            except (TypeError, ValueError):
                pass

    def traced_after(rounds):
        for _ in range(rounds):
            round_of_calls()
        gc.collect()
        return tracemalloc.get_traced_memory()[0]

    tracemalloc.start()
    try:
        # Warm up under tracing, so caches filled on the way are not counted as growth.
        before = traced_after(500)
        references = [sys.getrefcount(o) for o in arguments]
        arrow_bytes = pa.total_allocated_bytes()
        grown = traced_after(2000) - before
    finally:
        tracemalloc.stop()
    assert [sys.getrefcount(o) for o in arguments] == references
    assert malformed.releases == {"schema": 2500, "array": 2500}
    # Every exported buffer went back to pyarrow's pool.
    assert pa.total_allocated_bytes() == arrow_bytes
    # Allocator and cache noise stays near 20 KB; one object left behind by any one of the
    # five kinds of call would add at least 2000 times its size.
    assert grown < 40 * 1024, grown
