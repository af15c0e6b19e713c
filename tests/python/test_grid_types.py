"""Python face of projection_map and path_2d."""
import unittest

import brondel
from brondel import projection_map


class ProjectionMapTest(unittest.TestCase):
    def test_resolution_and_fresh_text(self):
        m = projection_map(3, 2)
        self.assertEqual(m.resolution, [3, 2])
        self.assertEqual(str(m), "0 0 0\n0 0 0\n")
        self.assertEqual(m.get(2, 1), "\x00")

    def test_text_of_example_map(self):
        m = projection_map(3, 2)
        m.set(0, 0, "\x01")
        m.set(2, 1, "\x02")
        self.assertEqual(str(m), "0 0 2\n1 0 0\n")

    def test_empty_maps(self):
        self.assertEqual(str(projection_map(0, 0)), "")
        self.assertEqual(str(projection_map(0, 3)), "\n\n\n")

    def test_huge_width_without_rows_returns_at_once(self):
        m = projection_map(4294967295, 0)
        self.assertEqual(m.resolution, [4294967295, 0])
        self.assertEqual(str(m), "")

    def test_set_and_get_characters(self):
        m = projection_map(3, 2)
        m.set(1, 0, "a")
        self.assertEqual(m.get(1, 0), "a")
        self.assertEqual(str(m), "0 0 0\n0 97 0\n")
        m.set(0, 0, "\xff")
        self.assertEqual(m.get(0, 0), "\xff")
        self.assertEqual(str(m), "0 0 0\n-1 97 0\n")
        m.set(2, 1, b"\x80")
        self.assertEqual(str(m), "0 0 -128\n-1 97 0\n")
        m.set(2, 1, bytearray(b"\x05"))
        self.assertEqual(m.get(2, 1), "\x05")

    def test_set_changes_expected_line(self):
        m = projection_map(3, 3)
        m.set(2, 0, "\x01")
        self.assertEqual(str(m).splitlines()[-1], "0 0 1")
        m.set(0, 2, "\x01")
        self.assertEqual(str(m).splitlines()[0], "1 0 0")

    def test_bad_characters(self):
        m = projection_map(2, 2)
        cases = [
            ("ab", "Expected a character, but multi-character string found"),
            ("", "Cannot convert empty string to a character"),
            (None, "Cannot convert None to a character"),
            ("\u0100", "Character code point not in range(0x100)"),
        ]
        for value, message in cases:
            with self.subTest(value=value):
                with self.assertRaises(ValueError) as caught:
                    m.set(0, 0, value)
                self.assertEqual(str(caught.exception), message)
        self.assertEqual(str(m), "0 0\n0 0\n")

    def test_bad_numbers(self):
        for args in [(-1, 2), (2.0, 2), (4294967296, 1), ("3", 1)]:
            with self.subTest(args=args):
                with self.assertRaises(TypeError) as caught:
                    projection_map(*args)
                self.assertIn("__init__(): incompatible constructor arguments", str(caught.exception))
        m = projection_map(2, 2)
        with self.assertRaises(TypeError) as caught:
            m.get(-1, 0)
        self.assertTrue(str(caught.exception).startswith(
            "get(): incompatible function arguments. The following argument types are supported:\n"
            "    1. (self: brondel.projection_map, arg0: int, arg1: int) -> str\n\nInvoked with: "))
        with self.assertRaises(TypeError):
            m.set(0, 0.0, "a")

    def test_zero_size_map_is_accepted(self):
        self.assertEqual(projection_map(0, 0).resolution, [0, 0])

    def test_outside_the_grid_raises_index_error(self):
        m = projection_map(3, 2)
        for x, y in [(3, 0), (0, 2), (2**64 - 1, 0), (0, 2**40)]:
            with self.subTest(x=x, y=y):
                with self.assertRaises(IndexError):
                    m.get(x, y)
                with self.assertRaises(IndexError):
                    m.set(x, y, "a")
        self.assertEqual(str(m), "0 0 0\n0 0 0\n")
        with self.assertRaises(IndexError):
            projection_map(0, 0).get(0, 0)

    def test_keyword_arguments_are_rejected(self):
        with self.assertRaises(TypeError):
            projection_map(width=3, height=2)
        with self.assertRaises(TypeError):
            projection_map(3, 2).get(x=0, y=0)

    def test_read_only_resolution_and_no_attributes(self):
        m = projection_map(3, 2)
        with self.assertRaises(AttributeError):
            m.resolution = [1, 1]
        with self.assertRaises(AttributeError):
            m.foo = 1
        m.resolution[0] = 9
        self.assertEqual(m.resolution, [3, 2])

    def test_signatures(self):
        self.assertIn("get(self: brondel.projection_map, arg0: int, arg1: int) -> str",
                      projection_map.get.__doc__)
        self.assertIn("set(self: brondel.projection_map, arg0: int, arg1: int, arg2: str) -> None",
                      projection_map.set.__doc__)
        self.assertIn("__init__(self: brondel.projection_map, arg0: int, arg1: int) -> None",
                      projection_map.__init__.__doc__)

    def test_subclass_must_call_base_init(self):
        class Skips(projection_map):
            def __init__(self):
                pass

        class Calls(projection_map):
            def __init__(self):
                super().__init__(2, 1)

        with self.assertRaises(TypeError) as caught:
            Skips()
        self.assertEqual(str(caught.exception),
                         "brondel.projection_map.__init__() must be called when overriding __init__")
        self.assertEqual(str(Calls()), "0 0\n")


class Path2dTest(unittest.TestCase):
    def test_no_constructor(self):
        with self.assertRaises(TypeError) as caught:
            brondel.path_2d()
        self.assertEqual(str(caught.exception), "brondel.path_2d: No constructor defined!")

    def test_members(self):
        self.assertEqual(brondel.path_2d.length.__doc__.splitlines()[0],
                         "length(self: brondel.path_2d) -> int")
        self.assertIn("__str__(self: brondel.path_2d) -> str", brondel.path_2d.__str__.__doc__)


if __name__ == "__main__":
    unittest.main()
