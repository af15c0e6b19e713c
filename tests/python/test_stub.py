"""The type stubs bindings/brondel.pyi and bindings/brondel_bulk.pyi against
the live modules: the same classes and bases, the same methods and read-only
properties, for each callable the same number of arguments, all positional
only (brondel's) or with the same names and defaults (brondel_bulk's), with
matching argument and result types, and the same docstrings (which the build
makes from the stubs: a broken generator or a member bound without its text
fails here)."""
import ast
import os
import pydoc
import re
import unittest

import brondel
import brondel_bulk

BINDINGS = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, os.pardir, "bindings")
STUB = os.path.join(BINDINGS, "brondel.pyi")
BULK_STUB = os.path.join(BINDINGS, "brondel_bulk.pyi")

# How the binding library renders a type, and the annotations the stub may
# use for it.
STUB_TYPES = {
    "int": {"int"},
    "float": {"float"},
    "bool": {"bool"},
    "None": {"None"},
    # A character argument also accepts a bytes object of length 1.
    "str": {"str", "Union[str, bytes, bytearray]"},
    "List[int[2]]": {"List[int]"},
    "List[int[3]]": {"Sequence[int]"},
    # The stub's way to say that no call can build the class.
    "NoReturn": {"NoReturn"},
}

SIGNATURE = re.compile(r"^(?P<name>\w*)\((?P<params>.*)\) -> (?P<result>.+)$")


def stub_type(rendered):
    if rendered.startswith("brondel."):
        return {rendered[len("brondel."):]}
    return STUB_TYPES.get(rendered, set())


def split_params(text):
    """Splits "a: X, b: Y[int, int]" at the commas outside brackets."""
    params, depth, current = [], 0, ""
    for char in text:
        depth += {"[": 1, "]": -1}.get(char, 0)
        if char == "," and depth == 0:
            params.append(current.strip())
            current = ""
        else:
            current += char
    if current.strip():
        params.append(current.strip())
    return params


def live_signature(doc):
    """(argument types without self, result type) from a rendered signature."""
    match = SIGNATURE.match(doc.splitlines()[0])
    params = [param.split(": ", 1)[1] for param in split_params(match.group("params"))]
    return params[1:], match.group("result")


def live_members(cls):
    """{name: (kind, argument types, result type)} of the members the class
    itself defines with the binding library."""
    members = {}
    for name, value in vars(cls).items():
        if isinstance(value, property):
            members[name] = ("property", value.fset is None) + live_signature(value.fget.__doc__)
        elif type(value).__name__ == "instancemethod":
            members[name] = ("method", None) + live_signature(value.__doc__)
        elif name == "__init__" and type(value).__name__ == "wrapper_descriptor":
            # The binding library's __init__ of a class without constructor,
            # which raises for every call.
            members[name] = ("refused", None, ["NoReturn"], "None")
    return members


def annotation(node):
    """The text of an annotation, as the stub writes it."""
    if isinstance(node, ast.Name):
        return node.id
    if isinstance(node, ast.Constant):
        return repr(node.value)
    if isinstance(node, ast.Index):  # Python 3.8 wraps subscripts in Index
        return annotation(node.value)
    if isinstance(node, ast.Tuple):
        return ", ".join(annotation(element) for element in node.elts)
    if isinstance(node, ast.Subscript):
        return "%s[%s]" % (annotation(node.value), annotation(node.slice))
    raise AssertionError("unexpected annotation %s" % ast.dump(node))


def stub_function(node):
    """(kind, read_only, argument types without self, result type, all
    positional only) of a function in the stub."""
    arguments = node.args
    params = arguments.posonlyargs + arguments.args
    positional_only = (not arguments.args[1:] and not arguments.kwonlyargs
                       and arguments.vararg is None and arguments.kwarg is None
                       and not arguments.defaults)
    decorators = [annotation(d) for d in node.decorator_list]
    arguments = [annotation(p.annotation) for p in params[1:]]
    kind = "property" if decorators == ["property"] else "method"
    if node.name == "__init__" and arguments == ["NoReturn"]:
        kind = "refused"   # no argument can be given, so no call type-checks
    read_only = True if kind == "property" else None
    return (kind, read_only, arguments, annotation(node.returns), positional_only)


def stub_classes():
    with open(STUB, encoding="utf-8") as source:
        tree = ast.parse(source.read())
    classes = {}
    for node in tree.body:
        if isinstance(node, ast.ClassDef):
            members = {}
            for item in node.body:
                if isinstance(item, ast.FunctionDef):
                    # A second definition of a name would be a setter.
                    if item.name in members:
                        members[item.name] = members[item.name][:1] + (False,) + members[item.name][2:]
                    else:
                        members[item.name] = stub_function(item)
            classes[node.name] = ([annotation(base) for base in node.bases], members)
    return tree, classes


def live_docstring(member):
    """The docstring help() shows for a method below its generated signature
    line, or for a property."""
    if isinstance(member, property):
        return member.__doc__
    return member.__doc__.partition("\n")[2].strip("\n")


def stub_docstrings(tree):
    """{class name: (class docstring, {member name: docstring})}, docstrings
    cleaned of their indentation as help() shows them."""
    docstrings = {}
    for node in tree.body:
        if isinstance(node, ast.ClassDef):
            members = {item.name: ast.get_docstring(item) for item in node.body
                       if isinstance(item, ast.FunctionDef)}
            docstrings[node.name] = (ast.get_docstring(node), members)
    return docstrings


class StubTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tree, cls.classes = stub_classes()
        cls.live = {name: value for name, value in vars(brondel).items()
                    if isinstance(value, type)}

    def test_module_docstring(self):
        self.assertEqual(ast.get_docstring(self.tree), brondel.__doc__)

    def test_same_classes_and_bases(self):
        self.assertEqual(sorted(self.classes), sorted(self.live))
        for name, cls in self.live.items():
            bases = [base.__name__ for base in cls.__bases__ if base.__module__ == "brondel"]
            self.assertEqual(self.classes[name][0], bases, name)

    def test_same_members(self):
        for name, cls in self.live.items():
            with self.subTest(cls=name):
                self.assertEqual(sorted(self.classes[name][1]), sorted(live_members(cls)))

    def test_same_arguments_and_results(self):
        for class_name, cls in self.live.items():
            stub_members = self.classes[class_name][1]
            for name, (kind, read_only, params, result) in live_members(cls).items():
                if name not in stub_members:
                    continue  # reported by test_same_members
                with self.subTest(member="%s.%s" % (class_name, name)):
                    s_kind, s_read_only, s_params, s_result, s_positional = stub_members[name]
                    self.assertEqual((s_kind, s_read_only), (kind, read_only))
                    self.assertEqual(len(s_params), len(params), "number of arguments")
                    for rendered, written in zip(params, s_params):
                        self.assertIn(written, stub_type(rendered))
                    self.assertIn(s_result, stub_type(result))
                    self.assertTrue(s_positional, "arguments must be positional only")


class DocstringTest(unittest.TestCase):
    """Every method and property has a docstring below its signature, the
    same in the module and in the stub; the classes have none."""

    @classmethod
    def setUpClass(cls):
        tree, _ = stub_classes()
        cls.stub = stub_docstrings(tree)
        cls.live = {name: value for name, value in vars(brondel).items()
                    if isinstance(value, type)}

    def test_classes_have_no_docstring(self):
        for name, cls in self.live.items():
            with self.subTest(cls=name):
                self.assertIsNone(cls.__doc__)
                self.assertIsNone(self.stub[name][0])

    def test_same_docstrings_in_module_and_stub(self):
        checked = 0
        for class_name, cls in self.live.items():
            stub_members = self.stub[class_name][1]
            for name, member in live_members(cls).items():
                if member[0] == "refused":
                    continue  # the binding library's own __init__, which raises
                checked += 1
                with self.subTest(member="%s.%s" % (class_name, name)):
                    text = live_docstring(vars(cls)[name])
                    self.assertTrue(text.strip(), "no docstring")
                    self.assertEqual(text, stub_members.get(name))
        self.assertEqual(checked, 17)

    def test_signature_line_stays_first(self):
        doc = brondel.pathfinder.find_path.__doc__
        self.assertEqual(doc.splitlines()[:2],
                         ["find_path(self: brondel.pathfinder, arg0: List[int[3]], "
                          "arg1: List[int[3]]) -> int", ""])
        # A property's getter shows its signature, then the same text.
        getter = brondel.cornerfinder.corner.fget.__doc__
        self.assertEqual(getter.splitlines()[0], "(self: brondel.cornerfinder) -> List[int[2]]")
        self.assertEqual(brondel.cornerfinder.corner.__doc__, getter.partition("\n")[2].strip("\n"))

    def test_status_codes_are_explained(self):
        find_path = live_docstring(brondel.pathfinder.find_path)
        self.assertIn("Returns 0 when a path is found", find_path)
        self.assertIn("2 when not", find_path)
        view = live_docstring(brondel.pathfinder.test_direct_view)
        self.assertIn("Returns 0 when every cell of the line is free (visible), 3 when not", view)
        for method in (brondel.pathfinder.init, brondel.cornerfinder.find_corner):
            self.assertIn("Returns 0.", live_docstring(method))

    def test_help_shows_signature_and_docstring(self):
        text = pydoc.render_doc(brondel.pathfinder, renderer=pydoc.plaintext)
        self.assertIn("find_path(...)", text)
        self.assertIn("Searches a path from the first cell to the second", text)
        self.assertIn("one-based", text)


# brondel_bulk's rendered types and the annotations its stub may use for them.
BULK_TYPES = {
    "brondel.projection_map": {"projection_map"},
    "brondel.path_2d": {"path_2d"},
    "brondel.cornerfinder": {"cornerfinder"},
    "object": {"ReadableBuffer", "Iterable[Sequence[int]]", "Iterable[ReadableBuffer]", "array[int]"},
    "list": {"List[Tuple[int, float, array[int]]]"},
    "int": {"int"}, "bool": {"bool"}, "bytes": {"bytes"}, "None": {"None"},
}


class BulkStubTest(unittest.TestCase):
    """brondel_bulk's functions: names, arguments with their defaults, types
    and docstrings, in the module and in its stub."""

    def test_same_functions_arguments_and_docstrings(self):
        with open(BULK_STUB, encoding="utf-8") as source:
            tree = ast.parse(source.read())
        self.assertEqual(ast.get_docstring(tree), brondel_bulk.__doc__)
        stub = {node.name: node for node in tree.body if isinstance(node, ast.FunctionDef)}
        live = {name: value for name, value in vars(brondel_bulk).items()
                if callable(value) and not name.startswith("__")}
        self.assertEqual(sorted(stub), sorted(live))
        for name, function in live.items():
            with self.subTest(function=name):
                match = SIGNATURE.match(function.__doc__.splitlines()[0])
                params = [param.split(": ", 1) for param in split_params(match.group("params"))]
                node = stub[name]
                arguments = node.args.args
                self.assertEqual([p.arg for p in arguments], [param_name for param_name, _ in params])
                defaults = [None] * (len(arguments) - len(node.args.defaults)) + [
                    repr(d.value) for d in node.args.defaults]
                for (param_name, rendered), argument, default in zip(params, arguments, defaults):
                    rendered_type, _, rendered_default = rendered.partition(" = ")
                    self.assertIn(annotation(argument.annotation), BULK_TYPES[rendered_type], param_name)
                    self.assertEqual(rendered_default or None, default, param_name)
                self.assertIn(annotation(node.returns), BULK_TYPES[match.group("result")])
                self.assertEqual(function.__doc__.partition("\n")[2].strip("\n"), ast.get_docstring(node))


if __name__ == "__main__":
    unittest.main()
