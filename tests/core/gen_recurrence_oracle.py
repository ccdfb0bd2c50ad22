#!/usr/bin/python3
"""Writes tests/core/data/recurrence_oracle.txt: occurrence sequences of recurrence patterns
computed by dateutil.rrule, an implementation independent of ours.

Run from anywhere: /usr/bin/python3 tests/core/gen_recurrence_oracle.py

Each case is one line of '|'-separated fields:
  name|type|interval|mask|dayOfMonth|month|instance|occurrences|endDate|start|occ1,occ2,...
type, mask (bit n = weekday n, 1 = Sunday .. 7 = Saturday), dayOfMonth, month and instance
are the pattern's fields; occurrences is -1 when not limited by count; endDate is '-' when
there is none; start and the occurrences are 'YYYY-MM-DDTHH:MM'. The expected list holds
every occurrence when the pattern is bounded, else the first SAMPLE ones.
"""
import os
import random
from datetime import datetime

from dateutil.rrule import (DAILY, MONTHLY, WEEKLY, YEARLY, FR, MO, SA, SU, TH, TU, WE,
                            rrule)

SAMPLE = 20
# Our weekday numbering: 1 = Sunday .. 7 = Saturday.
WEEKDAYS = {1: SU, 2: MO, 3: TU, 4: WE, 5: TH, 6: FR, 7: SA}
NAMES = {1: "SU", 2: "MO", 3: "TU", 4: "WE", 5: "TH", 6: "FR", 7: "SA"}

rng = random.Random(20240229)
lines = []


def mask_of(days):
    m = 0
    for d in days:
        m |= 1 << d
    return m


def fmt(d):
    return d.strftime("%Y-%m-%dT%H:%M")


def random_start(lo=1995, hi=2035):
    y = rng.randint(lo, hi)
    m = rng.randint(1, 12)
    d = rng.randint(1, 28 if m == 2 else 30)
    hh, mm = rng.choice([(0, 0), (9, 0), (10, 30), (23, 55), (6, 15)])
    return datetime(y, m, d, hh, mm)


def day_of_month_rule(day):
    """bymonthday/bysetpos for 'day, or the month's last day when it has no such day'."""
    if day <= 28:
        return dict(bymonthday=day)
    return dict(bymonthday=tuple(range(28, day + 1)), bysetpos=-1)


def add(name, rtype, interval, days, dom, month, instance, start, bound, **rule):
    occurrences, end = -1, None
    kw = dict(rule, interval=interval, dtstart=start, wkst=SU)
    if bound and bound[0] == "count":
        occurrences = bound[1]
        kw["count"] = occurrences
    elif bound and bound[0] == "until":
        end = bound[1]
        kw["until"] = end.replace(hour=23, minute=59, second=59)
    seq = list(rrule(**kw)) if bound else list(rrule(**kw)[:SAMPLE])
    lines.append("|".join([
        name, str(rtype), str(interval), str(mask_of(days)), str(dom), str(month),
        str(instance), str(occurrences), end.strftime("%Y-%m-%d") if end else "-",
        fmt(start), ",".join(fmt(d) for d in seq)]))


def weekday_rule(days, instance):
    return dict(byweekday=tuple(WEEKDAYS[d] for d in days),
                bysetpos=instance if instance < 5 else -1)


def bounds():
    """No bound, a count, or an end date some way ahead."""
    return [None, ("count", rng.randint(1, 12)), ("until", None)]


def resolve(bound, start, span_days):
    if bound and bound[0] == "until":
        from datetime import timedelta
        return ("until", (start + timedelta(days=rng.randint(1, span_days))).replace(
            hour=0, minute=0))
    return bound


# Daily.
for interval in (1, 2, 3, 10):
    for bound in bounds():
        start = random_start()
        add("daily", 0, interval, [], 1, 1, 1, start, resolve(bound, start, 120),
            freq=DAILY)

# Weekly on a weekday mask, weeks from Sunday to Saturday.
MASKS = [[2], [1], [7], [2, 5], [2, 3, 4, 5, 6], [1, 7], [1, 2, 3, 4, 5, 6, 7], [4, 7]]
for days in MASKS:
    for interval in (1, 2, 3):
        for bound in bounds():
            start = random_start()
            name = "weekly " + "+".join(NAMES[d] for d in days)
            add(name, 1, interval, days, 1, 1, 1, start, resolve(bound, start, 200),
                freq=WEEKLY, byweekday=tuple(WEEKDAYS[d] for d in days))

# Monthly on a day of the month, the month's last day when it has no such day.
for dom in (1, 15, 28, 29, 30, 31):
    for interval in (1, 2, 3, 5):
        for bound in bounds():
            start = random_start()
            add("monthly day %d" % dom, 2, interval, [], dom, 1, 1, start,
                resolve(bound, start, 700), freq=MONTHLY, **day_of_month_rule(dom))
# From the 31st of January itself, through February.
for year in (2023, 2024):
    add("monthly day 31 from Jan 31", 2, 1, [], 31, 1, 1, datetime(year, 1, 31, 8, 0), None,
        freq=MONTHLY, **day_of_month_rule(31))

# Monthly on the nth (5 = last) day whose weekday is in the mask; MO..FR with instance 1 is
# the month's first working day.
NTH_MASKS = [[6], [2], [1], [2, 3, 4, 5, 6], [1, 7], [4]]
for days in NTH_MASKS:
    for instance in (1, 2, 3, 4, 5):
        for interval in (1, 2):
            start = random_start()
            bound = resolve(rng.choice(bounds()), start, 900)
            name = "monthly nth %d of %s" % (instance, "+".join(NAMES[d] for d in days))
            add(name, 3, interval, days, 1, 1, instance, start, bound, freq=MONTHLY,
                **weekday_rule(days, instance))

# Yearly on a day of a month.
for month, dom in ((1, 1), (2, 29), (2, 28), (4, 31), (12, 31), (7, 15)):
    for interval in (1, 2, 4):
        start = random_start()
        bound = resolve(rng.choice(bounds()), start, 4000)
        add("yearly %d/%d" % (month, dom), 5, interval, [], dom, month, 1, start, bound,
            freq=YEARLY, bymonth=month, **day_of_month_rule(dom))

# Yearly on the nth weekday of a month (Thanksgiving, the last Monday of May, ...).
for month, days, instance in ((11, [5], 4), (5, [2], 5), (1, [2, 3, 4, 5, 6], 1),
                              (9, [2], 1), (2, [7, 1], 5), (10, [1], 2), (3, [4], 3)):
    for interval in (1, 3):
        start = random_start()
        bound = resolve(rng.choice(bounds()), start, 5000)
        add("yearly nth %d of %s in %d" % (instance, "+".join(NAMES[d] for d in days), month),
            6, interval, days, 1, month, instance, start, bound, freq=YEARLY, bymonth=month,
            **weekday_rule(days, instance))

out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "data",
                   "recurrence_oracle.txt")
with open(out, "w") as f:
    f.write("# Generated by tests/core/gen_recurrence_oracle.py (dateutil.rrule); do not edit.\n")
    for line in lines:
        f.write(line + "\n")
print("%d cases written to %s" % (len(lines), out))
