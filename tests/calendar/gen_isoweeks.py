#!/usr/bin/python3
"""Writes data/isoweeks.txt: the ISO 8601 week numbers a month calendar shows in its six rows.

A row starts on the chosen first weekday (1 = Monday .. 7 = Sunday); the first row holds the
1st of the month. The week number of a row is the ISO week of the row's last day, taken from
Python's date.isocalendar(). Each line: year month first-weekday week1 .. week6.
"""
import datetime
import os

here = os.path.dirname(os.path.abspath(__file__))
with open(os.path.join(here, "data", "isoweeks.txt"), "w") as out:
    out.write("# year month first-weekday(1=Mon..7=Sun) ISO weeks of rows 1..6\n")
    for year in range(2000, 2031):
        for month in range(1, 13):
            first = datetime.date(year, month, 1)
            for start in range(1, 8):
                lead = (first.isoweekday() - start) % 7
                row_start = first - datetime.timedelta(days=lead)
                weeks = []
                for row in range(6):
                    last = row_start + datetime.timedelta(days=7 * row + 6)
                    weeks.append(str(last.isocalendar()[1]))
                out.write(f"{year} {month} {start} {' '.join(weeks)}\n")
