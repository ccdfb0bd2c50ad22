#!/usr/bin/python3
"""Writes the seed corpus of fuzz_reminder_record: reminder records of both versions in the
binary form (first byte 0) and reminder elements in the XML form (first byte 1)."""
from seedtools import reminder_record, write_seeds


def record(version, repeat, enabled, placed=False):
    return reminder_record(version, repeat, enabled, placed, "a@example.org, b@example.org")


write_seeds("fuzz_reminder_record", {
    "v2_all_actions": b"\0" + record(2, True, range(7), placed=True),
    "v2_window_only": b"\0" + record(2, False, [0]),
    "v1_quiet": b"\0" + record(1, False, [1, 6]),
    "xml_daily": b"\1" + b"""<Alerts ReminderDateTime="45366.375" NextAlertDateTime="45366.375"
 Snoozed="0" IsAutoAlertEnabled="-1" AutoAlertDelta="0.003472222" LimitAutoAlertCount="-1"
 MaxAutoAlertCount="3" AutoAlertIndex="0" ReminderState="1"><Alert AlertType="0"/>
<Alert AlertType="5" AudioFile="ding.wav"/><R RecurrenceType="0" PatternStartDate="2024-03-15"/>
</Alerts>""",
})
