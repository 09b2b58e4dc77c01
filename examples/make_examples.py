#!/usr/bin/env python3
"""Writes the example method-comparison data sets of this folder.

Each data set is simulated: a true value per subject, a reference laboratory analyser
that measures it with a small random error, and two point-of-care devices, one with a
constant bias and one with a proportional error. A few device readings are missing
(an empty field), as when a strip fails or a sample runs out.

    glucose_meters.csv   comma-separated, decimal points
    hba1c_analysers.csv  semicolon-separated, decimal commas (as European software
                         exports it)

Run from anywhere with Python 3 (standard library only):

    python3 examples/make_examples.py

The seed is fixed, so the files come out the same on every run.
"""

import os
import random

SEED = 20240607
HERE = os.path.dirname(os.path.abspath(__file__))


def write_csv(name, header, rows, delimiter, decimal_comma):
    def field(value):
        if value is None:
            return ""
        text = "%.1f" % value
        return text.replace(".", ",") if decimal_comma else text

    path = os.path.join(HERE, name)
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        out.write(delimiter.join(header) + "\n")
        for subject, values in rows:
            out.write(delimiter.join([str(subject)] + [field(v) for v in values]) + "\n")
    print("wrote", path, "(%d subjects)" % len(rows))


def drop_readings(rng, rows, column, count):
    """Blanks `count` readings of one device column, at subjects chosen at random."""
    for index in rng.sample(range(len(rows)), count):
        rows[index][1][column] = None


def glucose(rng):
    """Capillary glucose, mmol/L: a hexokinase laboratory analyser against two meters.

    Meter A reads 0.4 mmol/L high at every level (constant bias); meter B reads 8 %
    high (proportional error), so its disagreement grows with the glucose level.
    """
    rows = []
    for subject in range(1, 61):
        # Log-normal spread: most subjects near 6 mmol/L, a tail of hyperglycaemia.
        true = min(max(rng.lognormvariate(1.85, 0.4), 2.5), 25.0)
        lab = true + rng.gauss(0.0, 0.1)
        meter_a = true + 0.4 + rng.gauss(0.0, 0.25)
        meter_b = true * 1.08 + rng.gauss(0.0, 0.3)
        rows.append((subject, [lab, meter_a, meter_b]))
    drop_readings(rng, rows, 1, 3)
    drop_readings(rng, rows, 2, 2)
    return rows


def hba1c(rng):
    """Glycated haemoglobin, %: an HPLC laboratory analyser against two bench-top
    point-of-care analysers.

    Analyser 1 reads 0.3 percentage points low (constant bias); analyser 2 reads 6 %
    low (proportional error).
    """
    rows = []
    for subject in range(1, 81):
        true = min(max(rng.gauss(7.2, 1.4), 4.5), 13.0)
        hplc = true + rng.gauss(0.0, 0.08)
        poc_1 = true - 0.3 + rng.gauss(0.0, 0.15)
        poc_2 = true * 0.94 + rng.gauss(0.0, 0.15)
        rows.append((subject, [hplc, poc_1, poc_2]))
    drop_readings(rng, rows, 1, 2)
    drop_readings(rng, rows, 2, 3)
    return rows


def main():
    rng = random.Random(SEED)
    write_csv("glucose_meters.csv", ["Subject", "LabGlucose", "MeterA", "MeterB"],
              glucose(rng), ",", decimal_comma=False)
    write_csv("hba1c_analysers.csv", ["Subject", "HPLC", "POC1", "POC2"],
              hba1c(rng), ";", decimal_comma=True)


if __name__ == "__main__":
    main()
