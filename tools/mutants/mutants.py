#!/usr/bin/env python3
"""mutants.py - one-line mutants of the program's sources, and whether the tests catch them.

A mutant changes one line of one .cpp file of a program folder in one of five ways:

  compare   a comparison's boundary moved:  <  <=  >  >=  become  <=  <  >=  >
  clamp     a clamp dropped: std::min/max/clamp/fmin/fmax(...) and the local ClampInt/ClampByte
            become the value they bound
  constant  an integer literal moved by one, up or down
  call      a call made for its effect removed: the statement "Foo(...);" becomes ";"
  swap      two neighbouring arguments of a call swapped

Commands:

  mutants.py draw --seed N [--per-folder 5] [--alternates 6] --out SAMPLE
      Lists every site of every kind in every program folder (the folders of tools/layers.txt
      that have a library, tools excepted), and draws, with the seeded random numbers, one slot
      per kind and folder (a folder with no site of a kind gets another kind's site in its
      place).  Each slot keeps a few alternates in drawn order: a mutant that does not compile
      tells nothing, and the run takes the slot's next one.
  mutants.py run --sample SAMPLE --results RESULTS [--build DIR] [--sanitized DIR]
                 [--reach own|callers] [--only ID,ID] [--jobs N]
      For every slot: applies the mutant to the source and compiles its object (a mutant that
      does not compile is stillborn: it tells nothing, and the slot's next alternate is
      tried); rebuilds and runs through ctest, under a virtual X server, first the test
      binaries of the mutated folder, then (reach "callers", the default) every other binary
      whose test code includes the mutated file's own header; restores the source and
      appends one line to RESULTS: killed (a test failed or timed out) or survived.  With
      --sanitized, a mutant the plain tests let through is built and judged again in the
      sanitized build, by the same tests the test command runs there (all but the gpu-labelled
      ones), with its sanitizer options: a read past an array, a leak or a failed assertion
      kills it there, as it would fail the test command.  A slot already in RESULTS is skipped,
      so a stopped run goes on where it stopped.  The tests' unmutated run comes first and is
      kept beside RESULTS (.baseline, and .sanitized for the sanitized build): a test that
      fails without any mutant judges nothing.
  mutants.py report RESULTS [RESULTS_BEFORE]
      The kill rate per folder and overall; with two files, before and after side by side.

The source folder is the one this script lies in (two levels up) unless --source names
another, so that one sample can be measured against an older tree of the same sources (its
own tests).  The build folder must be configured (cmake -G Ninja) and built once.
"""

import argparse
import json
import os
import random
import re
import signal
import subprocess
import sys
import time
from pathlib import Path

KINDS = ["compare", "clamp", "constant", "call", "swap"]
BASELINE_TIMEOUT = 1800  # seconds: the unmutated run of a slow binary on a loaded machine
SLOW_TEST_SECONDS = 30   # binaries slower than this run after the others
HERE = Path(__file__).resolve().parent

# ---------------------------------------------------------------------------------------------
# Folders and their tests


def read_layers(source):
    """(folder, library, [folders it uses]) for each line of tools/layers.txt."""
    rows = []
    for line in (source / "tools" / "layers.txt").read_text().splitlines():
        if not line.strip() or line.startswith("#"):
            continue
        parts = line.split()
        uses = [] if parts[2] == "-" else parts[2:]
        rows.append((parts[0], parts[1], uses))
    return rows


def library_of(source, folder):
    return next(lib for f, lib, _ in read_layers(source) if f == folder)


def program_folders(source):
    """The folders whose code is the program's: a library of their own, not a tool or a test."""
    return [f for f, lib, _ in read_layers(source)
            if lib != "-" and not f.startswith(("tools/", "tests", "bench"))]


TEST_RE = re.compile(r"\b(zkt_add_test\(NAME|add_test\(NAME)\s+(\S+)")


def tests_by_folder(source):
    """The ctest names each program folder's tests have: tests/F/... belongs to F."""
    folders = set(program_folders(source))
    found = {}
    for cml in sorted((source / "tests").rglob("CMakeLists.txt")):
        rel = cml.parent.relative_to(source / "tests").parts
        if not rel or rel[0] not in folders:
            continue
        for m in TEST_RE.finditer(cml.read_text()):
            if m.group(2).startswith("${"):
                continue
            found.setdefault(rel[0], []).append(m.group(2))
    return found


def test_binaries(source):
    """{ctest name: [its source files relative to the tree]} for every zkt_add_test."""
    binaries = {}
    for cml in sorted((source / "tests").rglob("CMakeLists.txt")):
        text = re.sub(r"#[^\n]*", "", cml.read_text())
        at = 0
        while True:
            start = text.find("zkt_add_test(", at)
            if start < 0:
                break
            depth, k = 0, start + len("zkt_add_test")
            while k < len(text):
                depth += {"(": 1, ")": -1}.get(text[k], 0)
                if depth == 0:
                    break
                k += 1
            words = text[start + len("zkt_add_test("):k].split()
            at = k
            if "NAME" not in words or "SOURCES" not in words:
                continue
            name = words[words.index("NAME") + 1]
            files = []
            for w in words[words.index("SOURCES") + 1:]:
                if w in ("LIBS", "LABEL", "LINK", "NAME"):
                    break
                w = w.replace("${CMAKE_SOURCE_DIR}/", "").replace("${CMAKE_CURRENT_SOURCE_DIR}/", "")
                path = Path(w) if w.startswith(("tests/", "tools/")) else cml.parent.relative_to(source) / w
                files.append(str(path))
            binaries[name] = files
    return binaries


INCLUDE_RE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)


def included_headers(source, path, seen=None):
    """The project headers a file includes, through the test helpers it includes too."""
    seen = set() if seen is None else seen
    try:
        text = (source / path).read_text(errors="replace")
    except OSError:
        return seen
    for header in INCLUDE_RE.findall(text):
        if header in seen:
            continue
        seen.add(header)
        if header.startswith("tests/") or not "/" in header:
            local = header if header.startswith("tests/") else str(Path(path).parent / header)
            if local not in seen:
                seen.add(local)
                included_headers(source, local, seen)
    return seen


def tests_including(source, header):
    """The test binaries with a source that includes the header (directly or through a helper)."""
    found = []
    for name, files in test_binaries(source).items():
        if any(header in included_headers(source, f) for f in files):
            found.append(name)
    return found


def test_targets(source):
    """{ctest name: the targets it runs}: a gtest binary runs itself; a test added by hand runs
    the targets its command names ($<TARGET_FILE:...>, through the variables it uses)."""
    targets = {}
    for cml in sorted((source / "tests").rglob("CMakeLists.txt")):
        text = re.sub(r"#[^\n]*", "", cml.read_text())
        variables = dict(re.findall(r"set\((\w+)\s+([^)]*)\)", text))
        for m in re.finditer(r"\bzkt_add_test\(NAME\s+(\S+)", text):
            targets[m.group(1)] = [m.group(1)]
        for m in re.finditer(r"\badd_test\(NAME\s+(\S+)([^)]*)\)", text):
            command = re.sub(r"\$\{(\w+)\}", lambda v: variables.get(v.group(1), ""), m.group(2))
            targets[m.group(1)] = re.findall(r"\$<TARGET_FILE:(\w+)>", command)
    return targets


def build_targets_for(source, tests):
    """What ninja must build before the tests run."""
    known = test_targets(source)
    return sorted({target for t in tests for target in known.get(t, [])})


# ---------------------------------------------------------------------------------------------
# Reading C++ one line at a time: comments, strings and preprocessor lines blanked


def masked_lines(text):
    """Each line with comments, string and character literals replaced by spaces (same length),
    and preprocessor lines blanked whole, so that sites are found in code only."""
    out = []
    in_block = False
    continued_directive = False
    for line in text.split("\n"):
        chars = list(line)
        if continued_directive or (not in_block and line.lstrip().startswith("#")):
            continued_directive = line.rstrip().endswith("\\")
            out.append(" " * len(line))
            continue
        i = 0
        n = len(chars)
        while i < n:
            if in_block:
                end = line.find("*/", i)
                stop = n if end < 0 else end + 2
                for k in range(i, stop):
                    chars[k] = " "
                i = stop
                if end >= 0:
                    in_block = False
                continue
            c = line[i]
            if line.startswith("//", i):
                for k in range(i, n):
                    chars[k] = " "
                break
            if line.startswith("/*", i):
                in_block = True
                continue
            if c == 'R' and line.startswith('R"', i) and (i == 0 or not (line[i - 1].isalnum() or line[i - 1] == "_")):
                # a raw string on one line: R"delim( ... )delim"
                m = re.match(r'R"([^(\s]*)\(', line[i:])
                if m:
                    close = line.find(")" + m.group(1) + '"', i + m.end())
                    stop = n if close < 0 else close + len(m.group(1)) + 2
                    for k in range(i, stop):
                        chars[k] = " "
                    i = stop
                    continue
            if c in "\"'":
                # a digit separator (1'000) is not a character literal
                if c == "'" and i > 0 and line[i - 1].isalnum() and i + 1 < n and line[i + 1].isalnum() and \
                        not re.match(r"[uUL]?'", line[max(0, i - 2):i + 1]):
                    if line[i - 1].isdigit():
                        i += 1
                        continue
                k = i + 1
                while k < n and line[k] != c:
                    k += 2 if line[k] == "\\" else 1
                stop = min(n, k + 1)
                for j in range(i, stop):
                    chars[j] = " "
                i = stop
                continue
            i += 1
        out.append("".join(chars))
    return out


def matching_paren(masked, open_at):
    """Index of the ')' closing the '(' at open_at on the same line, or -1."""
    depth = 0
    for k in range(open_at, len(masked)):
        c = masked[k]
        if c in "([{":
            depth += 1
        elif c in ")]}":
            depth -= 1
            if depth == 0:
                return k if c == ")" else -1
    return -1


def split_args(masked, open_at, close_at):
    """(start, end) of each top-level argument between the parentheses, spaces trimmed."""
    spans = []
    depth = 0
    start = open_at + 1
    for k in range(open_at + 1, close_at + 1):
        c = masked[k]
        if c in "([{":
            depth += 1
        elif c in ")]}":
            depth -= 1
        if (c == "," and depth == 0) or k == close_at:
            a, b = start, k
            while a < b and masked[a] == " ":
                a += 1
            while b > a and masked[b - 1] == " ":
                b -= 1
            spans.append((a, b))
            start = k + 1
    if spans == [(close_at, close_at)] or any(a == b for a, b in spans):
        return []
    return spans


# ---------------------------------------------------------------------------------------------
# The five kinds of site.  Each finder yields (column, original line, mutated line, what).

COMPARE_RE = re.compile(r"(?<=[^\s<>]) (<=|>=|<|>) (?=[^\s=<>])")
FLIPPED = {"<": "<=", "<=": "<", ">": ">=", ">=": ">"}


def compare_sites(line, masked):
    if re.search(r"\btemplate\b", masked):
        return
    for m in COMPARE_RE.finditer(masked):
        op = m.group(1)
        col = m.start(1)
        mutated = line[:col] + FLIPPED[op] + line[col + len(op):]
        yield col, mutated, f"{op} -> {FLIPPED[op]}"


CLAMP_RE = re.compile(r"\b(std::(?:min|max|clamp|fmin|fmax)|ClampInt|ClampByte)\s*(<[\w:\s,]*>)?\(")
LITERAL_ONLY_RE = re.compile(r"^[-+]?(\d[\d.']*([eE][-+]?\d+)?[fFuUlL]*|0[xX][0-9a-fA-F']+[uUlL]*)$")


def clamp_sites(line, masked):
    for m in CLAMP_RE.finditer(masked):
        open_at = m.end() - 1
        close_at = matching_paren(masked, open_at)
        if close_at < 0:
            continue
        args = split_args(masked, open_at, close_at)
        if not args or masked[args[0][0]] == "{":
            continue
        texts = [line[a:b] for a, b in args]
        if len(args) == 2 and LITERAL_ONLY_RE.match(texts[0]) and not LITERAL_ONLY_RE.match(texts[1]):
            keep = texts[1]  # std::max(0, x): the bound comes first
        else:
            keep = texts[0]
        mutated = line[:m.start()] + "(" + keep + ")" + line[close_at + 1:]
        yield m.start(), mutated, f"{m.group(1)}(...) -> ({keep})"


INT_RE = re.compile(r"(?<![\w.'])(0[xX][0-9a-fA-F]+|\d+)([uUlL]*)(?![\w.'])")
ARRAY_DECL_RE = re.compile(r"^\s*(?:(?:static|const|constexpr|inline|thread_local)\s+)*[\w:<>]+[\s*&]+\w+\s*\[")
# An array parameter, "(const float in[2]" or ", int32_t values[4]": its bound is not part of
# the parameter's type, so moving it changes nothing any test could see.
ARRAY_PARAM_RE = re.compile(r"[(,]\s*(?:const\s+)?[\w:]+(?:\s*[*&])*\s+[*&]*\w+\s*\[$")


def constant_sites(line, masked, rng):
    if re.search(r"\b(static_assert|alignas)\b", masked):
        return
    for m in INT_RE.finditer(masked):
        col, end = m.start(), m.end()
        before = masked[:col].rstrip()
        after = masked[end:].lstrip()
        if before.endswith("[") and after.startswith("]") and ARRAY_DECL_RE.match(masked):
            continue  # the size of a declared buffer
        if before.endswith("[") and after.startswith("]") and ARRAY_PARAM_RE.search(before):
            continue  # the bound of an array parameter
        if after.startswith(">") and before.endswith((",", "<")):
            continue  # a template argument
        digits = m.group(1)
        value = int(digits, 16) if digits[:2] in ("0x", "0X") else int(digits)
        step = 1 if value == 0 else rng.choice((-1, 1))
        new = value + step
        text = (hex(new) if digits[:2] in ("0x", "0X") else str(new)) + m.group(2)
        mutated = line[:col] + text + line[col + len(m.group(1)) + len(m.group(2)):]
        yield col, mutated, f"{line[col:end]} -> {text}"


CALL_STATEMENT_RE = re.compile(r"^(\s*)([A-Za-z_]\w*(?:(?:::|\.|->)[A-Za-z_~]\w*)*)\s*(?:<[\w:\s,*&]*>)?\(")
NOT_CALLS = {"if", "for", "while", "switch", "return", "sizeof", "assert", "static_assert", "delete", "new",
             "catch", "do", "else", "case", "decltype", "alignof", "co_return", "throw", "using", "typedef"}


def call_sites(line, masked, previous_masked):
    m = CALL_STATEMENT_RE.match(masked)
    if not m or m.group(2).split("::")[0] in NOT_CALLS or m.group(2) in NOT_CALLS:
        return
    open_at = m.end() - 1
    close_at = matching_paren(masked, open_at)
    if close_at < 0 or masked[close_at + 1:].strip() != ";":
        return
    prev = previous_masked.rstrip()
    if prev and prev[-1] not in ";{}:)" and not prev.endswith("else"):
        return  # the line goes on an expression of the line above
    # An empty block rather than an empty statement: "if (x) ;" does not compile with the
    # warnings this build treats as errors, and such a mutant would tell nothing.
    yield len(m.group(1)), m.group(1) + "{}  // mutant: call removed", f"{m.group(2)}(...) removed"


CALL_RE = re.compile(r"([A-Za-z_]\w*)\s*(?:<[\w:\s,*&]*>)?\(")
# Calls whose arguments may trade places without a change a test could see: symmetric
# functions, and comparisons whose result is only ever tested for equality.  The clamps are
# left to the clamp kind.
COMMUTATIVE = {"min", "max", "Min", "Max", "fmin", "fmax", "swap", "hypot", "ClampInt", "ClampByte", "clamp",
               "SaturatingAdd", "Dot", "DotProduct", "Distance", "DistanceSquared", "strcmp", "strcasecmp",
               "strncmp", "strncasecmp", "memcmp", "CompareNoCase", "Dot16", "DistanceSquaredM", "WrappingAdd",
               "_mm_add_ps", "_mm_mul_ps", "_mm_min_ps", "_mm_max_ps", "_mm_and_ps"}
DECLARATION_BEFORE_RE = re.compile(r"[\w>*&]\s+$")
KEYWORDS_BEFORE = ("return", "else", "case", "co_return", "throw", "not", "and", "or")


def swap_sites(line, masked, rng):
    for m in CALL_RE.finditer(masked):
        name = m.group(1)
        if name in NOT_CALLS or name in COMMUTATIVE:
            continue
        start = m.start(1)
        while start >= 2 and masked[start - 2:start] == "::":
            q = start - 2
            while q > 0 and (masked[q - 1].isalnum() or masked[q - 1] == "_"):
                q -= 1
            start = q
        before = masked[:start]
        if DECLARATION_BEFORE_RE.search(before) and not before.rstrip().endswith(KEYWORDS_BEFORE):
            continue  # a function being declared, or a variable made with arguments
        open_at = m.end() - 1
        close_at = matching_paren(masked, open_at)
        if close_at < 0:
            continue
        args = split_args(masked, open_at, close_at)
        if len(args) < 2:
            continue
        pairs = [i for i in range(len(args) - 1)
                 if line[args[i][0]:args[i][1]].strip() != line[args[i + 1][0]:args[i + 1][1]].strip()]
        if not pairs:
            continue
        i = rng.choice(pairs)
        (a0, a1), (b0, b1) = args[i], args[i + 1]
        first, second = line[a0:a1], line[b0:b1]
        mutated = line[:a0] + second + line[a1:b0] + first + line[b1:]
        yield a0, mutated, f"{name}: argument {i + 1} <-> {i + 2}"


def sites_of_file(source, path):
    """Every site of every kind in one file: dicts ready for the sample."""
    text = path.read_text(errors="replace")
    lines = text.split("\n")
    masked = masked_lines(text)
    # One random stream per file, so that a site's direction (constant, swap) does not depend
    # on which other files exist.
    rng = random.Random(str(path.relative_to(source)))
    rel = str(path.relative_to(source))
    found = []
    previous = ""
    for number, (line, mline) in enumerate(zip(lines, masked), start=1):
        # An assertion is no code in the optimised build the tests run (NDEBUG), nor is a
        # static assertion: a change there tells nothing.
        if mline.strip() and not mline.lstrip().startswith(("assert(", "static_assert(")):
            finders = [("compare", compare_sites(line, mline)), ("clamp", clamp_sites(line, mline)),
                       ("constant", constant_sites(line, mline, rng)), ("call", call_sites(line, mline, previous)),
                       ("swap", swap_sites(line, mline, rng))]
            for kind, sites in finders:
                for col, mutated, what in sites:
                    if mutated != line:
                        found.append({"file": rel, "line": number, "column": col, "kind": kind, "what": what,
                                      "original": line, "mutated": mutated})
            previous = mline
    return found


def all_sites(source, folder):
    found = []
    for path in sorted((source / folder).rglob("*.cpp")):
        found.extend(sites_of_file(source, path))
    return found


# ---------------------------------------------------------------------------------------------
# draw


def cmd_draw(args):
    source = Path(args.source).resolve()
    rng = random.Random(args.seed)
    sample = []
    for folder in program_folders(source):
        sites = all_sites(source, folder)
        by_kind = {k: [s for s in sites if s["kind"] == k] for k in KINDS}
        for k in KINDS:
            rng.shuffle(by_kind[k])
        used = set()
        # Each kind once in every five slots; fewer than five slots take kinds at random.
        slot_kinds = [KINDS[i % len(KINDS)] for i in range(args.per_folder)]
        if args.per_folder % len(KINDS):
            slot_kinds[-(args.per_folder % len(KINDS)):] = rng.sample(KINDS, args.per_folder % len(KINDS))
        for number, kind in enumerate(slot_kinds):
            pool = [s for s in by_kind[kind] if id(s) not in used]
            if not pool:  # a folder without such a site: another kind's in its place
                pool = [s for k in KINDS for s in by_kind[k] if id(s) not in used]
                rng.shuffle(pool)
            for alt, site in enumerate(pool[:args.alternates]):
                used.add(id(site))
                sample.append(dict(site, slot=f"{folder}/{number + 1}", folder=folder, alternate=alt,
                                   id=f"{folder}/{number + 1}.{alt}"))
    with open(args.out, "w") as out:
        out.write(json.dumps({"seed": args.seed, "per_folder": args.per_folder, "alternates": args.alternates,
                              "source_commit": git_commit(source)}) + "\n")
        for s in sample:
            out.write(json.dumps(s) + "\n")
    print(f"{len({s['slot'] for s in sample})} slots, {len(sample)} mutants with alternates -> {args.out}")


def git_commit(source):
    try:
        return subprocess.run(["git", "-C", str(source), "rev-parse", "--short", "HEAD"], capture_output=True,
                              text=True, check=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        return "?"


def read_sample(path):
    with open(path) as f:
        header = json.loads(f.readline())
        return header, [json.loads(line) for line in f if line.strip()]


# ---------------------------------------------------------------------------------------------
# run


def with_display(command):
    if os.environ.get("DISPLAY"):
        return command
    return ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24"] + command


def build(build_dir, targets, jobs):
    r = subprocess.run(["ninja", "-C", str(build_dir), f"-j{jobs}"] + targets, capture_output=True, text=True)
    return r.returncode == 0, r.stdout + r.stderr


# The sanitized run's environment, as the test command sets it.
def sanitizer_env(source):
    return {"ASAN_OPTIONS": "detect_leaks=1:abort_on_error=1",
            "UBSAN_OPTIONS": "print_stacktrace=1:halt_on_error=1",
            "LSAN_OPTIONS": f"suppressions={source / 'tests' / 'lsan.supp'}"}


def run_tests(build_dir, tests, jobs, timeout, env=None):
    """(failed test names, seconds per test) from one ctest run of the named tests."""
    regex = "^(" + "|".join(re.escape(t) for t in tests) + ")$"
    command = with_display(["ctest", "--test-dir", str(build_dir), "-R", regex, "-j", str(jobs),
                            "--timeout", str(timeout), "--stop-on-failure"])
    # CI=true: a window or GPU test that finds no display fails instead of skipping, so a
    # mutant is never "survived" by tests that did not run.
    # The tests' own TIMEOUT property outlasts ctest's --timeout, so the whole run is also held
    # to the time out here: a hung run is stopped with everything it started, and kills the mutant.
    p = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                         env=dict(os.environ, CI="true", **(env or {})), start_new_session=True)
    try:
        stdout, stderr = p.communicate(timeout=timeout + 60)
    except subprocess.TimeoutExpired:
        os.killpg(p.pid, signal.SIGKILL)
        p.communicate()
        return [f"(timed out after {timeout + 60} s)"], {}
    failed = sorted(set(re.findall(r"^\s*\d+ - (\S+) \(", stdout, re.M)))
    seconds = {m.group(1): float(m.group(2))
               for m in re.finditer(r"Test\s+#\d+: (\S+) \.+.*?([\d.]+) sec", stdout)}
    if p.returncode != 0 and not failed:
        failed = ["(ctest: " + (stdout + stderr).strip().splitlines()[-1][:120] + ")"] if (stdout + stderr).strip() \
            else ["(ctest failed)"]
    return failed, seconds


def tests_for(source, folder, reach, file=None):
    """The tests a mutant of the file in the folder is judged by, in two rounds: the folder's
    own; and with reach "callers" every other binary whose test code includes a header that
    may declare what the file defines (a test elsewhere that calls into it)."""
    own = sorted(tests_by_folder(source).get(folder, []))
    callers = []
    if reach == "callers" and file:
        found = set()
        for header in declaring_headers(source, file):
            found.update(tests_including(source, header))
        callers = sorted(found - set(own))
    return own, callers


# A definition at the start of a line: "Type Name(" or "Type Class::Name(".
DEFINITION_RE = re.compile(r"^[A-Za-z_][\w:<>,\s\*&]*?\b(\w+)\s*\(", re.M)


def declaring_headers(source, file):
    """The headers that declare what a source file defines: its own header, and the headers
    of its own folder it includes that name one of the functions it defines (several files of
    a folder often share one header)."""
    own = str(Path(file).with_suffix(".h"))
    headers = [own] if (source / own).exists() else []
    text = (source / file).read_text(errors="replace")
    defined = set(DEFINITION_RE.findall(text)) - NOT_CALLS
    folder = Path(file).parent
    for header in INCLUDE_RE.findall(text):
        path = Path(header) if "/" in header else folder / header
        if path.parent != folder or str(path) in headers or not (source / path).exists():
            continue
        declared = set(re.findall(r"\b(\w+)\s*\(", (source / path).read_text(errors="replace")))
        if defined & declared:
            headers.append(str(path))
    return headers


def gpu_tests(build_dir):
    """The tests labelled gpu: the sanitized run of the test command leaves them out."""
    r = subprocess.run(["ctest", "--test-dir", str(build_dir), "-N", "-L", "gpu"], capture_output=True, text=True)
    return set(re.findall(r"Test\s+#\d+: (\S+)", r.stdout))


def make_baseline(build_dir, source, tests, jobs, path, env=None):
    """The unmutated run of the tests not yet in the baseline file at path; the whole baseline."""
    baseline = json.loads(path.read_text()) if path.exists() else {}
    missing = [t for t in tests if t not in baseline]
    if missing:
        ok, log = build(build_dir, build_targets_for(source, missing), jobs)
        if not ok:
            sys.exit(f"mutants: the unmutated build in {build_dir} fails:\n" + log[-3000:])
        failed, seconds = run_tests(build_dir, missing, jobs, BASELINE_TIMEOUT, env)
        for t in missing:
            baseline[t] = {"passes": t not in failed, "seconds": seconds.get(t, 0.0)}
        path.write_text(json.dumps(baseline, indent=1, sort_keys=True) + "\n")
    broken = [t for t in tests if not baseline[t]["passes"]]
    if broken:
        print(f"mutants: these tests fail unmutated in {build_dir.name} and judge nothing: " + ", ".join(broken))
    return baseline


def apply(source, mutant):
    """Writes the mutant into its file; the original text, or None when the line has changed."""
    path = source / mutant["file"]
    text = path.read_text()
    lines = text.split("\n")
    number = mutant["line"]
    if number > len(lines) or lines[number - 1] != mutant["original"]:
        # the file moved on since the sample was drawn: the same line text, once, elsewhere
        hits = [i for i, l in enumerate(lines) if l == mutant["original"]]
        if len(hits) != 1:
            return None
        number = hits[0] + 1
    lines[number - 1] = mutant["mutated"]
    path.write_text("\n".join(lines))
    return text


def restore(source, mutant, text):
    path = source / mutant["file"]
    path.write_text(text)
    os.utime(path)  # newer than the mutant's object, so that the next build recompiles it


def cmd_run(args):
    source = Path(args.source).resolve()
    build_dir = Path(args.build).resolve() if args.build else source / "build"
    header, sample = read_sample(args.sample)
    only = set(args.only.split(",")) if args.only else None
    results_path = Path(args.results)
    done = {}
    if results_path.exists():
        for line in results_path.read_text().splitlines():
            r = json.loads(line)
            done.setdefault(r["slot"], []).append(r)

    slots = {}
    for m in sample:
        slots.setdefault(m["slot"], []).append(m)

    # The unmutated run: every test this run uses must pass first.
    wanted = [m for m in sample if not only or m["slot"] in only or m["id"] in only]
    all_tests = sorted({t for m in wanted for group in tests_for(source, m["folder"], args.reach, m["file"])
                        for t in group})
    baseline = make_baseline(build_dir, source, all_tests, args.jobs,
                             results_path.with_suffix(results_path.suffix + ".baseline"))
    sanitized = None
    if args.sanitized:
        # The test command runs the same tests again built with the sanitizers and assertions
        # on (the window and unit tests; the gpu-labelled ones only in the plain run).
        sanitized_dir = Path(args.sanitized).resolve()
        left_out = gpu_tests(sanitized_dir)
        sanitized = {"dir": sanitized_dir, "left_out": left_out,
                     "baseline": make_baseline(sanitized_dir, source, [t for t in all_tests if t not in left_out],
                                               args.jobs, results_path.with_suffix(results_path.suffix + ".sanitized"),
                                               sanitizer_env(source))}

    with open(results_path, "a") as results:
        for slot, mutants in slots.items():
            if only and slot not in only and not any(m["id"] in only for m in mutants):
                continue
            if slot in done and any(r["status"] in ("killed", "survived") for r in done[slot]):
                continue
            tried = {r["id"] for r in done.get(slot, [])}
            for mutant in mutants:
                if mutant["id"] in tried:
                    continue
                record = run_one(source, build_dir, mutant, args, baseline, sanitized)
                results.write(json.dumps(record) + "\n")
                results.flush()
                print(f"{record['id']:28} {record['status']:10} {mutant['file']}:{mutant['line']} {mutant['what']}"
                      + (f"  [{', '.join(record['by'])}]" if record.get("by") else ""), flush=True)
                if record["status"] in ("killed", "survived"):
                    break
    # Leave the builds as the sources are.
    build(build_dir, build_targets_for(source, all_tests), args.jobs)
    if sanitized:
        build(sanitized["dir"], build_targets_for(source, list(sanitized["baseline"])), args.jobs)


def test_rounds(source, mutant, args, baseline, left_out=()):
    """The folder's own tests, then the callers'; within each, the quick binaries before the
    slow ones, since a failure ends the mutant's run."""
    rounds = []
    for group in tests_for(source, mutant["folder"], args.reach, mutant["file"]):
        passing = [t for t in group if t not in left_out and baseline.get(t, {}).get("passes")
                   and (not args.quick or baseline[t]["seconds"] < SLOW_TEST_SECONDS)]
        rounds.append([t for t in passing if baseline[t]["seconds"] < SLOW_TEST_SECONDS])
        rounds.append([t for t in passing if baseline[t]["seconds"] >= SLOW_TEST_SECONDS])
    return [r for r in rounds if r]


def judge(source, build_dir, mutant, rounds, baseline, jobs, timeout, env=None):
    """Builds the mutated object and runs the rounds of tests in one build: ("stillborn" |
    "error" | "killed" | "survived", the tests run, the tests failed, the build's log)."""
    folder = mutant["folder"]
    inside = Path(mutant["file"]).relative_to(folder)
    ok, log = build(build_dir, [f"{folder}/CMakeFiles/{library_of(source, folder)}.dir/{inside}.o"], jobs)
    if not ok:
        return "stillborn", [], [], log  # the mutant does not compile: it tells nothing
    run, failed = [], []
    for tests in rounds:
        ok, log = build(build_dir, build_targets_for(source, tests), jobs)
        if not ok:
            return "error", run, failed, log
        slowest = max([baseline[t]["seconds"] for t in tests] + [1.0])
        # A mutant that makes a test run on for ever is killed by the time out: three times
        # the slowest unmutated run and two minutes, so a loaded machine kills no mutant.
        failed, _ = run_tests(build_dir, tests, jobs, max(timeout, int(slowest * 3) + 120), env)
        run += tests
        if failed:
            return "killed", run, failed, ""
    return "survived", run, [], ""


def run_one(source, build_dir, mutant, args, baseline, sanitized=None):
    started = time.time()
    record = {"id": mutant["id"], "slot": mutant["slot"], "folder": mutant["folder"], "kind": mutant["kind"],
              "file": mutant["file"], "line": mutant["line"], "what": mutant["what"]}
    text = apply(source, mutant)
    if text is None:
        record["status"] = "gone"
        return record
    try:
        status, record["tests"], record["by"], log = judge(
            source, build_dir, mutant, test_rounds(source, mutant, args, baseline), baseline, args.jobs, args.timeout)
        if status == "survived" and sanitized:
            # What the plain run lets through, the sanitized run may still see: a read past
            # an array, a leak, an overflow, a failed assertion.
            s_status, s_tests, s_by, s_log = judge(
                source, sanitized["dir"], mutant,
                test_rounds(source, mutant, args, sanitized["baseline"], sanitized["left_out"]),
                sanitized["baseline"], args.jobs, args.timeout, sanitizer_env(source))
            record["sanitized"] = s_status
            record["tests"] += ["sanitized:" + t for t in s_tests]
            record["by"] += ["sanitized:" + t for t in s_by]
            if s_status == "killed":
                status = "killed"
            elif s_status in ("stillborn", "error"):
                record["sanitized_log"] = s_log[-1500:]
        record["status"] = status
        if status in ("stillborn", "error"):
            record["log"] = log[-1500:]
    finally:
        restore(source, mutant, text)
        record["seconds"] = round(time.time() - started, 1)
    return record


# ---------------------------------------------------------------------------------------------
# report


def final_results(path):
    """The measured mutant of each slot (killed or survived), by slot."""
    out = {}
    for line in Path(path).read_text().splitlines():
        r = json.loads(line)
        if r["status"] in ("killed", "survived"):
            out[r["slot"]] = r
    return out


def rate(rows):
    killed = sum(r["status"] == "killed" for r in rows)
    return killed, len(rows)


def read_equivalents(path):
    """{mutant id: why} for survivors judged by hand to change nothing a test could see."""
    if not path:
        return {}
    out = {}
    for line in Path(path).read_text().splitlines():
        if line.strip():
            e = json.loads(line)
            out[e["id"]] = e["why"]
    return out


def cmd_report(args):
    after = final_results(args.results)
    before = final_results(args.before) if args.before else None
    equivalent = read_equivalents(args.equivalent)
    inferred = []
    if before is not None:
        # The older tests are a part of the newer ones: a mutant the newer tests let through,
        # the older let through too.  So only the newer tests' kills need the older run, and a
        # survivor missing from it counts as surviving there.
        for s, r in after.items():
            if s not in before and r["status"] == "survived":
                before[s] = dict(r, inferred=True)
                inferred.append(s)
    if equivalent:
        # A mutant that changes nothing observable is no fault: left out of both measures.
        after = {s: r for s, r in after.items() if r["id"] not in equivalent}
        if before is not None:
            before = {s: r for s, r in before.items() if s in after}
    folders = sorted({r["folder"] for r in after.values()}, key=lambda f: f)

    def cell(rows):
        k, n = rate(rows)
        return f"{k}/{n} ({100.0 * k / n:.0f}%)" if n else "-"

    lines = []
    if before is not None:
        lines.append("| folder | before | after |")
        lines.append("|---|---|---|")
    else:
        lines.append("| folder | killed |")
        lines.append("|---|---|")
    for f in folders:
        a = [r for r in after.values() if r["folder"] == f]
        if before is not None:
            b = [before[s] for s in before if before[s]["folder"] == f and s in after]
            lines.append(f"| {f} | {cell(b)} | {cell(a)} |")
        else:
            lines.append(f"| {f} | {cell(a)} |")
    if before is not None:
        b_all = [before[s] for s in before if s in after]
        lines.append(f"| all | {cell(b_all)} | {cell(list(after.values()))} |")
    else:
        lines.append(f"| all | {cell(list(after.values()))} |")
    if inferred:
        lines.append("")
        lines.append(f"Before: {len(inferred)} survivors of the newer tests not run against the older ones, "
                     "counted as surviving them.")
    if equivalent:
        lines.append("")
        lines.append("Left out as equivalent (they change nothing a test could see):")
        for mid, why in sorted(equivalent.items()):
            lines.append(f"- {mid}: {why}")
    by_sanitized = sorted(r["id"] for r in after.values() if r.get("sanitized") == "killed")
    if by_sanitized:
        lines.append("")
        lines.append(f"Killed only by the sanitized run: {len(by_sanitized)} ({', '.join(by_sanitized)}).")
    survivors = [r for r in after.values() if r["status"] == "survived"]
    if survivors:
        lines.append("")
        lines.append("Survivors:")
        for r in sorted(survivors, key=lambda r: r["id"]):
            lines.append(f"- {r['id']} {r['file']}:{r['line']} ({r['kind']}) {r['what']}")
    print("\n".join(lines))


def main():
    # A stopped run puts the mutated source back on its way out (the finally of run_one).
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("mutants: stopped"))
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--source", default=str(HERE.parent.parent), help="the source tree (default: this one)")
    sub = p.add_subparsers(dest="command", required=True)
    d = sub.add_parser("draw")
    d.add_argument("--seed", type=int, required=True)
    d.add_argument("--per-folder", type=int, default=5)
    d.add_argument("--alternates", type=int, default=6)
    d.add_argument("--out", required=True)
    r = sub.add_parser("run")
    r.add_argument("--sample", required=True)
    r.add_argument("--results", required=True)
    r.add_argument("--build")
    r.add_argument("--reach", choices=["own", "callers"], default="callers")
    r.add_argument("--only")
    r.add_argument("--jobs", type=int, default=4)
    r.add_argument("--timeout", type=int, default=300)
    r.add_argument("--sanitized", help="the sanitized build (CMakePresets.json's \"sanitize\"): a mutant the plain "
                   "tests let through is judged again there")
    r.add_argument("--quick", action="store_true",
                   help="leave out the slow binaries (a rough look while writing tests, not a measure)")
    s = sub.add_parser("report")
    s.add_argument("results")
    s.add_argument("before", nargs="?")
    s.add_argument("--equivalent", help="a file of mutant ids judged equivalent, each with the reason")
    args = p.parse_args()
    {"draw": cmd_draw, "run": cmd_run, "report": cmd_report}[args.command](args)


if __name__ == "__main__":
    main()
