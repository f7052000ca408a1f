#!/usr/bin/env python3
"""Builds the bench table from the RESULT lines the measuring programs printed.

    bench_table.py RESULTS TABLE_TXT TABLE_CSV NOTES

RESULTS holds one line per figure and run: `program name value unit`. Each row of the table puts
a figure of quillset beside the reference measured in the same run, as median and spread
(min..max) over the runs, with its goal. NOTES is text printed under the table.
"""
import csv
import statistics
import sys
from collections import defaultdict


class Row:
    def __init__(self, key, measure, program, subject, reference, reference_is, goal_text, goal,
                 scale=1.0, unit="", optional=False):
        self.key = key
        self.measure = measure
        self.program = program
        self.subject = subject
        self.reference = reference
        self.reference_is = reference_is
        self.goal_text = goal_text
        # goal(quillset_values, reference_values) -> (met, worst_met); None: no goal
        self.goal = goal
        self.scale = scale
        self.unit = unit
        # Left out of the table when its program printed nothing (a program not in the tree).
        self.optional = optional


def at_most(limit):
    def check(values, _):
        return statistics.median(values) <= limit, max(values) <= limit
    return check


def at_most_times_reference(factor):
    def check(values, reference):
        if not reference:
            return None
        ratio = statistics.median(values) / statistics.median(reference)
        worst = max(values) / statistics.median(reference)
        return ratio <= factor, worst <= factor
    return check


SETUP_WAIT_REFERENCE = ("setup_wait.exe --busy-reference: WaitForSingleObject(h,0), disable the "
                        "window, handle every pending message, again at once")

ROWS = [
    Row("1", "CPU while the setup runs 10 s (bench/setup_wait; 10 ms steps)", "setup_wait",
        "setup_wait.quillset.cpu", "setup_wait.busy_reference.cpu", SETUP_WAIT_REFERENCE,
        "<= 0.1 s", at_most(0.1), unit="s", optional=True),
    Row("1.", "  the Wine server's CPU meanwhile (shared)", "setup_wait",
        "setup_wait.quillset.wineserver_cpu", "setup_wait.busy_reference.wineserver_cpu", "", "",
        None, unit="s", optional=True),
    Row("1", "CPU while the setup runs 10 s (from outside; 10 ms steps)", "wait_page_from_outside",
        "wait_page_cpu_quillset_s", "wait_page_cpu_busy_poll_s",
        "bare_window.exe --busy-wait: WaitForSingleObject(h,0) + EnableWindow(FALSE) + "
        "PeekMessage/Dispatch loop, no pause",
        "<= 0.1 s", at_most(0.1), unit="s"),
    Row("1.", "  the Wine server's CPU meanwhile (shared)", "wait_page_from_outside", "wait_page_server_cpu_quillset_s",
        "wait_page_server_cpu_busy_poll_s", "", "", None, unit="s"),
    Row("2a", "longest unanswered: console command silent 5 s",
        "console_responsiveness", "console_longest_unanswered_quillset_ms",
        "console_longest_unanswered_blocking_ms",
        "blocking ReadFile loop, messages only between chunks",
        "<= 100 ms", at_most(100), unit="ms"),
    Row("2b", "longest unanswered: setup runs 10 s (from outside)", "wait_page_from_outside",
        "wait_page_longest_unanswered_quillset_ms", "wait_page_longest_unanswered_busy_poll_ms",
        "the same busy poll as in 1", "<= 100 ms", at_most(100), unit="ms"),
    Row("2b", "longest unanswered: setup runs 10 s (bench/setup_wait)", "setup_wait",
        "setup_wait.quillset.longest_unanswered", "setup_wait.busy_reference.longest_unanswered",
        SETUP_WAIT_REFERENCE, "<= 100 ms", at_most(100), unit="ms", optional=True),
    Row("2b.", "  99 % of the messages answered within", "setup_wait",
        "setup_wait.quillset.p99_unanswered", "setup_wait.busy_reference.p99_unanswered", "", "",
        None, unit="ms", optional=True),
    Row("3", "launch until \"&Weiter\" is visible", "launch_time",
        "launch_quillset_ms", "launch_bare_window_ms",
        "bare_window.exe: one window, a text, three buttons, shown (no registry, no COM)",
        "<= 1.2 x reference", at_most_times_reference(1.2), unit="ms"),
    Row("4", "\"&Weiter\", 16 instances: own time (flow - programs)", "weiter_overhead",
        "weiter16_quillset_own_ms", "weiter16_reference_own_ms",
        "command_sequence.exe: the same 49 command lines run one after the other (pipe, "
        "CreateProcessA, blocking ReadFile), nothing else; measured the same way",
        "<= 50 ms", at_most(50), unit="ms"),
    Row("4b", "  own time beyond the reference's (per run)",
        "weiter_overhead", "weiter16_own_beyond_reference_ms", None, "", "<= 50 ms",
        at_most(50), unit="ms"),
    Row("4.", "  whole flow: click to the found-databases page", "weiter_overhead",
        "weiter16_quillset_total_ms", "weiter16_reference_total_ms", "", "", None, unit="ms"),
    Row("4.", "  of the reference's: inside CreateProcessA before creation", "weiter_overhead",
        None, "weiter16_reference_before_creation_ms", "", "", None, unit="ms"),
    Row("4.", "  of the reference's: program exit to the pipe's end", "weiter_overhead",
        None, "weiter16_reference_exit_to_pipe_end_ms", "", "", None, unit="ms"),
    Row("4.", "  the 49 console programs' lives (union)", "weiter_overhead",
        "weiter16_quillset_console_programs_ms", "weiter16_reference_console_programs_ms", "",
        "", None, unit="ms"),
    Row("6", "start-up inventory, 16 instances + 16 packages", "startup_inventory",
        "startup_inventory_sixteen_ms", "startup_inventory_empty_ms",
        "the same inventory on a machine without SQL Server", "", None, unit="ms"),
    Row("6.", "  registry calls of one inventory", "startup_inventory",
        "startup_inventory_sixteen_registry_calls", "startup_inventory_empty_registry_calls", "",
        "", None, unit="count"),
    Row("5", "size: quillset.exe (i686) + non-Windows DLLs", "sizes",
        "size_quillset_kib", "size_bare_window_kib", "bare_window.exe, i686, static, stripped",
        "<= 1024 KiB, system DLLs only", None, unit="KiB"),
]


def setup_wait_rows(values, units):
    """Rows for further lines of bench/setup_wait.cpp, whatever figures it adds: a name that holds
    the part "quillset" is put beside the name that differs from it in that part only (names are
    split at "." or "_"), with the goal its kind of figure has."""
    covered = {name for row in ROWS if row.program == "setup_wait"
               for name in (row.subject, row.reference)}
    names = sorted(name for program, name in values
                   if program == "setup_wait" and name not in covered)

    def parts(name):
        return name.split(".") if "." in name else name.split("_")

    rows = []
    paired = set()
    for name in names:
        if "quillset" not in parts(name):
            continue
        position = parts(name).index("quillset")
        partners = [other for other in names if other != name and
                    len(parts(other)) == len(parts(name)) and
                    all(a == b for k, (a, b) in enumerate(zip(parts(other), parts(name)))
                        if k != position)]
        partner = partners[0] if partners else None
        unit = units.get(("setup_wait", name), "")
        goal, goal_text = None, ""
        if "cpu" in name and "server" not in name and unit == "s":
            goal, goal_text = at_most(0.1), "<= 0.1 s"
        elif "longest" in name and unit == "ms":
            goal, goal_text = at_most(100), "<= 100 ms"
        rows.append(Row("1/2", f"setup_wait: {name}", "setup_wait", name, partner,
                        "setup_wait.exe's own busy-poll reference" if partner else "", goal_text,
                        goal, unit=unit))
        paired.update({name, partner})
    for name in names:
        if name not in paired:
            rows.append(Row("1/2", f"setup_wait: {name}", "setup_wait", name, None, "", "", None,
                            unit=units.get(("setup_wait", name), "")))
    return rows


def number(value, unit):
    if unit == "s":
        return f"{value:.2f}"
    if unit == "KiB":
        return f"{value:.0f}"
    return f"{value:.1f}"


def summary(values, unit):
    if not values:
        return "-"
    median = statistics.median(values)
    text = f"{number(median, unit)} {unit}"
    if len(values) > 1:
        text += f" ({number(min(values), unit)}..{number(max(values), unit)})"
    return text


def main():
    results_path, table_path, csv_path, notes_path = sys.argv[1:5]
    values = defaultdict(list)
    units = {}
    with open(results_path, encoding="utf-8") as results:
        for line in results:
            parts = line.split()
            if len(parts) >= 3:
                values[(parts[0], parts[1])].append(float(parts[2]))
                units[(parts[0], parts[1])] = parts[3] if len(parts) > 3 else ""

    # The in-process setup wait figures go with the other figures of the setup wait.
    after = max(i for i, row in enumerate(ROWS) if row.key.startswith("2b")) + 1
    rows = ROWS[:after] + setup_wait_rows(values, units) + ROWS[after:]
    header = ["#", "measure", "quillset: median (min..max)", "reference: median (min..max)",
              "goal", "met?"]
    lines = []
    csv_rows = [["key", "measure", "runs", "unit", "quillset_median", "quillset_min",
                 "quillset_max", "reference_median", "reference_min", "reference_max", "goal",
                 "met", "reference_is"]]
    rows = [row for row in rows if not row.optional or
            any(program == row.program for program, _ in values)]
    for row in rows:
        subject = values.get((row.program, row.subject), [])
        reference = values.get((row.program, row.reference), []) if row.reference else []
        met = ""
        if row.program == "sizes":
            system_only = values.get(("sizes", "non_system_dlls_count"), [1])[0] == 0
            if subject:
                met = "yes" if subject[0] <= 1024 and system_only else "NO"
        elif row.subject is None:
            met = ""
        elif not subject:
            met = "NOT MEASURED"
        elif row.goal is not None:
            verdict = row.goal(subject, reference)
            if verdict is None:
                met = "no reference"
            else:
                median_met, worst_met = verdict
                met = ("yes" if worst_met else "yes (median; worst run over)") if median_met \
                    else "NO"
        lines.append([row.key, row.measure, summary(subject, row.unit) if row.subject else "-",
                      summary(reference, row.unit) if row.reference else "-", row.goal_text or "",
                      met])
        stats = lambda v: ([number(statistics.median(v), row.unit), number(min(v), row.unit),
                            number(max(v), row.unit)] if v else ["", "", ""])
        csv_rows.append([row.key, row.measure, len(subject), row.unit, *stats(subject),
                         *stats(reference), row.goal_text, met, row.reference_is])

    widths = [max(len(str(line[i])) for line in [header] + lines) for i in range(len(header))]

    def format_line(cells):
        return " | ".join(str(cell).ljust(widths[i]) for i, cell in enumerate(cells)).rstrip()

    text = [format_line(header), "-+-".join("-" * w for w in widths)]
    text += [format_line(line) for line in lines]
    text.append("")
    text.append("References:")
    listed = set()
    for row in rows:
        if row.reference_is and (row.key, row.reference_is) not in listed:
            listed.add((row.key, row.reference_is))
            text.append(f"  {row.key}: {row.reference_is}")
    with open(notes_path, encoding="utf-8") as notes:
        text.append(notes.read().rstrip())
    output = "\n".join(text) + "\n"
    sys.stdout.write(output)
    with open(table_path, "w", encoding="utf-8") as table:
        table.write(output)
    with open(csv_path, "w", newline="", encoding="utf-8") as table:
        csv.writer(table).writerows(csv_rows)


if __name__ == "__main__":
    main()
