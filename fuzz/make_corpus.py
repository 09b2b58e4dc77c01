#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets into fuzz/corpus/<target>/.

The engine seeds follow the input layout described at the top of
fuzz_agreementreport.cpp, the analyses' seeds that of fuzz_analyses.cpp; the import and
number reader seeds are a delimiter byte followed by file bytes.
Run it again after changing a layout; the files are committed. Inputs that once made a
target fail are kept beside the seeds under names starting with found_.
"""
import math
import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent

# Engine input layout.
PROPORTIONAL, RANDOM, POPULATION = 0x01, 0x02, 0x04
SPIN, EXTREME, RAW, DEFAULT = 0, 1, 2, 3
MISSING, SMALL, DOUBLE, SPECIAL, PREVIOUS, REFERENCE, SHIFTED, HUNDREDTHS = range(8)
# Indices into the harness's tables.
OPTION_EXTREMES = {0.0: 0, 1.0: 4, -1.0: 6, -100.0: 7, "nan": 9, "inf": 10}
CELL_EXTREMES = {"nan": 4, "inf": 5, "-inf": 6, "max": 7, "denorm": 10, "1e154": 13}


def option(value):
    if value is None:
        return bytes([DEFAULT])
    if value in OPTION_EXTREMES:
        return bytes([EXTREME, OPTION_EXTREMES[value]])
    hundredths = round(value * 100)
    if 0 <= hundredths < 10000 and math.isclose(hundredths / 100, value):
        return bytes([SPIN]) + struct.pack("<H", hundredths)
    return bytes([RAW]) + struct.pack("<d", value)


def cell(value):
    if value is None:
        return bytes([MISSING])
    if isinstance(value, str):
        return bytes([SPECIAL, CELL_EXTREMES[value]])
    if float(value).is_integer() and -128 <= value <= 127:
        return bytes([SMALL]) + struct.pack("<b", int(value))
    return bytes([DOUBLE]) + struct.pack("<d", value)


def engine(flags, columns, tdi=None, cp=None, alpha=None):
    """columns[0] is the reference, the rest are compared; all of equal length."""
    compared = len(columns) - 1
    data = bytes([flags | (compared << 4)]) + option(tdi) + option(cp) + option(alpha)
    rows = len(columns[0])
    data += bytes([rows])
    for row in range(rows):
        for column in columns:
            data += cell(column[row])
    return data


WORKED_X = [10.1, 12.3, 9.8, 15.2, 11.0, 13.4, 8.9, 14.1, 12.2, 10.7]
WORKED_Y = [10.6, 12.0, 10.5, 15.9, 11.8, 13.1, 9.6, 14.9, 12.4, 11.5]
FIVE = [1, 2, 3, 4, 5]

ENGINE_SEEDS = {
    "worked_pair_fixed": engine(0, [WORKED_X, WORKED_Y], tdi=1),
    "worked_pair_random": engine(RANDOM, [WORKED_X, WORKED_Y], tdi=1),
    "worked_pair_proportional": engine(PROPORTIONAL, [WORKED_X, WORKED_Y, WORKED_Y]),
    "five_rows_two_columns": engine(0, [FIVE, [1, 3, 3, 5, 5], [2, 2, 4, 4, 6]]),
    "constant_difference": engine(RANDOM, [FIVE, [v + 1 for v in FIVE]]),
    "identical_columns": engine(0, [FIVE, FIVE]),
    "constant_column": engine(RANDOM, [FIVE, [3] * 5]),
    "no_rows": engine(0, [[], []]),
    "one_row": engine(0, [[1], [2]]),
    "two_rows": engine(RANDOM, [[1, 2], [2, 2.5]]),
    "three_rows": engine(0, [[1, 2, 4], [2, 2.5, 3]]),
    "four_rows": engine(RANDOM, [[1, 2, 4, 3], [2, 2.5, 3, 3.5]]),
    "all_missing": engine(0, [[None] * 4, [None] * 4]),
    "some_missing": engine(0, [[1, None, 3, 4, 5, 6], [1.5, 2, None, 4.5, 5, 7]]),
    "infinity_from_1e999": engine(0, [FIVE, [1, 2, "inf", 4, 5]]),
    "not_a_number": engine(RANDOM, [FIVE, ["nan", 2, 3, 4, 5]]),
    "huge_and_tiny": engine(0, [["max", "1e154", 1, 2, 3], ["denorm", 1, 2, 3, "1e154"]]),
    "proportional_negative": engine(PROPORTIONAL, [FIVE, [-1, 0, 3, 4, 5]]),
    "alpha_zero": engine(0, [WORKED_X, WORKED_Y], alpha=0.0),
    "alpha_one": engine(RANDOM, [WORKED_X, WORKED_Y], alpha=1.0),
    "alpha_top_of_spin_box": engine(0, [WORKED_X, WORKED_Y], alpha=99.99),
    "cp_allowance_one": engine(0, [WORKED_X, WORKED_Y], cp=1.0),
    "cp_allowance_zero": engine(RANDOM, [WORKED_X, WORKED_Y], cp=0.0),
    "cp_allowance_top": engine(0, [WORKED_X, WORKED_Y], cp=99.99),
    "tdi_allowance_zero": engine(RANDOM, [WORKED_X, WORKED_Y], tdi=0.0),
    "tdi_allowance_top": engine(PROPORTIONAL, [WORKED_X, WORKED_Y], tdi=99.99),
    "tdi_allowance_minus_100": engine(PROPORTIONAL, [WORKED_X, WORKED_Y], tdi=-100.0),
    "options_not_a_number": engine(0, [WORKED_X, WORKED_Y], tdi="nan", cp="nan", alpha="nan"),
    "population_divisor": engine(POPULATION | RANDOM, [WORKED_X, WORKED_Y]),
    "large_offset_small_spread": engine(0, [[1, 2, 3, 4, 5, 6],
                                            [100001, 100002.001, 100002.999, 100004.002,
                                             100005, 100005.998]]),
}


def read(path):
    return path.read_bytes()


COMMA, SEMICOLON, SPACE, TAB = b"\x00", b"\x01", b"\x02", b"\x03"
EXAMPLES = HERE.parent / "examples"

IMPORT_SEEDS = {
    "empty": COMMA,
    "names_only": COMMA + b"A,B",
    "names_final_line_feed": COMMA + b"A,B\n",
    "comma": COMMA + b"A,B\n1,2\n3,4\n",
    "semicolon_decimal_comma": SEMICOLON + b"A;B\n1,5;2\n3;x\n",
    "space_double": SPACE + b"A B\n1  2\n3 4\n",
    "tab": TAB + b"A\tB\n1\t2\n3\\t4\t5\n",
    "ragged": COMMA + b"A,B\n1,2,3\n4\n\n5,6\n",
    "quoted": COMMA + b'"A","B"\n"1,5",2\n',
    "crlf": COMMA + b"A,B\r\n1,2\r\n3,4\r\n",
    "byte_order_mark": COMMA + b"\xef\xbb\xbfA,B\n1,2\n",
    "nul_byte": COMMA + b"A,B\n1,2\x00,3\n4,5\n",
    "invalid_utf8": COMMA + b"A\xff,B\xc3\n1,\xe2\x82\n2,3\n",
    "binary": COMMA + bytes(range(256)),
    "numbers_edge": COMMA + b"A,B\n1e999,-1e999\nnan,inf\n 2.5 ,2.5\r\n0x10,1e-400\n",
    "trailing_delimiter": SEMICOLON + b"A;B;\n1;2;\n",
    "glucose_meters": COMMA + read(EXAMPLES / "glucose_meters.csv")[:3000],
    "hba1c_analysers": SEMICOLON + read(EXAMPLES / "hba1c_analysers.csv")[:3000],
}


def utf16(text, big_endian=False):
    return (b"\xfe\xff" + text.encode("utf-16-be")) if big_endian else (
        b"\xff\xfe" + text.encode("utf-16-le"))


# The import seeds, and cells where QString::toDouble and std::from_chars part ways.
NUMBER_SEEDS = dict(IMPORT_SEEDS, **{
    "number_forms": SEMICOLON + b"A;B\n+1;-0\n1.;.5\n+.5;+-1\n1e5;1E-5\n1e;1e+\n1,5;007\n"
                    b"0e99999;1..5\n",
    "number_limits": COMMA + b"A,B\n4.9e-324,1e-400\n1.7976931348623157e308,1.7976931348623159e308\n"
                     b"2.4703282292062327e-324,2.2250738585072014e-308\n",
    "white_space": SEMICOLON + b"A;B\n \t1\r\x0b;\x0c2 \n1 2;- 1\n \t; \n",
    "unicode_cells": SEMICOLON + "A;B\n\u22121;\u00a02\u00a0\n\u0661;\uff11\n\u30003;\ufeff4\n"
                     "4\ufeff;5\ufffd\n".encode("utf-8"),
    "words": COMMA + b"A,B\nnan,inf\n-Infinity,NaN\n0x10,0x1p3\n",
    "utf16_little_endian": COMMA + utf16("A,B\n1,5\n+2,\u2212 3\n"),
    "utf16_big_endian": SEMICOLON + utf16("A;B\n1,5;2\n\u00a03;x\n", big_endian=True),
    "spare_rows": COMMA + b"A,B\n1,2\n,,7",
    "short_rows": TAB + b"A\tB\tC\n1\n2\t3\n\t\t\n",
})


# The registry's analyses in menu order, each with the number of option bytes that leave
# every option at its default (fuzz_analyses.cpp).
AGREEMENT, BLAND_ALTMAN, REGRESSION = 0, 1, 2
DEFAULT_OPTIONS = bytes(5)


def analysis_seed(analysis, compared, text, options=DEFAULT_OPTIONS, subject=False, delimiter=0):
    layout = delimiter | ((compared - 1) << 4) | (0x08 if subject else 0)
    return bytes([analysis, layout]) + options + text


GLUCOSE = read(EXAMPLES / "glucose_meters.csv")[:1500]
ANALYSIS_SEEDS = {
    "agreement_glucose": analysis_seed(AGREEMENT, 3, GLUCOSE),
    "bland_altman_glucose": analysis_seed(BLAND_ALTMAN, 3, GLUCOSE),
    "bland_altman_ratio_reference": analysis_seed(BLAND_ALTMAN, 1, GLUCOSE, bytes([2, 1, 9, 0, 1])),
    "regression_glucose": analysis_seed(REGRESSION, 3, GLUCOSE),
    "regression_deming_levels": analysis_seed(REGRESSION, 2, GLUCOSE, bytes([1, 0, 0, 2, 9, 10, 1])),
    "regression_weighted": analysis_seed(REGRESSION, 1, GLUCOSE, bytes([2, 0, 0, 0, 0])),
    "agreement_out_of_range": analysis_seed(AGREEMENT, 1, GLUCOSE, bytes([6, 4, 5, 1, 1])),
    "few_rows": analysis_seed(BLAND_ALTMAN, 1, b"A,B\n1,2\n3,\n"),
}

# Passing-Bablok input layout (see fuzz_passingbablok.cpp): a header byte with the
# quantile in bits 0-1 and the kind of readings in bits 2-3, then x and y in turn.
Z_196, Z_258, Z_1, Z_05 = range(4)
QUARTERS, HUNDREDTHS_PB, DOUBLES, MIXED = (k << 2 for k in range(4))


def passing_bablok(header, xs, ys):
    data = bytes([header])
    for x, y in zip(xs, ys):
        for value in (x, y):
            if header & 0x0c == QUARTERS:
                data += struct.pack("<b", round(value * 4))
            elif header & 0x0c == HUNDREDTHS_PB:
                data += struct.pack("<h", round(value * 100))
            else:
                data += struct.pack("<d", value)
    return data


RANGE = range(40)
PASSING_BABLOK_SEEDS = {
    "worked_pair": passing_bablok(Z_196 | HUNDREDTHS_PB, WORKED_X, WORKED_Y),
    "quarters_many_ties": passing_bablok(Z_196 | QUARTERS, [i % 7 / 2 for i in RANGE],
                                         [(i * 3) % 5 / 4 + i % 7 / 2 for i in RANGE]),
    "slope_minus_one": passing_bablok(Z_258 | HUNDREDTHS_PB, [i / 10 for i in RANGE],
                                      [7.1 - i / 10 + (i % 3) * 0.3 for i in RANGE]),
    "falling_with_x_ties": passing_bablok(Z_1 | HUNDREDTHS_PB, [i // 4 for i in RANGE],
                                          [20 - 0.37 * i + (i % 5) * 0.11 for i in RANGE]),
    "doubles_last_bits": passing_bablok(Z_196 | DOUBLES,
                                        [1 + (i % 9) * 2 ** -52 for i in RANGE],
                                        [1 + (i % 5) * 2 ** -51 for i in RANGE]),
    "doubles_tiny_and_large": passing_bablok(Z_05 | DOUBLES,
                                             [1e-300 * (i + 1) if i % 2 else 1e100 * i for i in RANGE],
                                             [5e-324 * i if i % 3 else 1e50 * i for i in RANGE]),
    # Mixed: selector 4 makes y = +-x plus tenths, selector 3 nudges the previous reading.
    "mixed_lines_and_near_ties": bytes([Z_196 | MIXED]) + b"".join(
        bytes([1]) + struct.pack("<h", 37 * i) + bytes([4, i % 7 * 2 + (i % 2)])
        + (bytes([3, 2]) if i % 4 == 0 else b"")
        for i in RANGE),
}


def write(target, seeds):
    folder = HERE / "corpus" / target
    folder.mkdir(parents=True, exist_ok=True)
    for name, data in seeds.items():
        (folder / name).write_bytes(data)


if __name__ == "__main__":
    write("fuzz_agreementreport", ENGINE_SEEDS)
    write("fuzz_import", IMPORT_SEEDS)
    write("fuzz_numberreader", NUMBER_SEEDS)
    write("fuzz_analyses", ANALYSIS_SEEDS)
    write("fuzz_passingbablok", PASSING_BABLOK_SEEDS)
