#!/usr/bin/env python3
"""Fails when a text the desktop client shows is missing from its English catalog.

Three checks, each naming file:line:
  1. every Chinese string literal in the given source folders is an argument of tr(),
     QCoreApplication::translate(), QT_TR_NOOP() or QT_TRANSLATE_NOOP() (a literal that is never
     shown, such as a word read from the service's answers, carries an "untranslated:" comment
     on its line or the line above);
  2. lupdate run over the sources into a copy of the catalog changes nothing: no text is new and
     none is gone;
  3. every message of the catalog is translated, finished, and keeps the source's %1.. markers.

Usage: check_translations.py --lupdate PATH --ts FILE [--options=TEXT] [-I DIR]... FOLDER...
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

CJK = re.compile(r"[\u3000-\u303f\u3400-\u9fff\uf900-\ufaff\uff00-\uffef]")
# What may stand right before a literal that goes to the catalog.
MARKED = re.compile(
    r"(?:\btr|\bQT_TR_NOOP|\btranslate|\bQT_TRANSLATE_NOOP|\bQT_TRANSLATE_N_NOOP)\(\s*(?:\"(?:[^\"\\]|\\.)*\"\s*,\s*)?$"
)
SOURCE_SUFFIXES = (".cpp", ".h")


def string_literals(text):
    """Yields (line, literal body, code before it, whether it follows another literal)."""
    i, line, n = 0, 1, len(text)
    last_literal_end = -1
    while i < n:
        c = text[i]
        if c == "\n":
            line += 1
            i += 1
        elif text.startswith("//", i):
            end = text.find("\n", i)
            i = n if end < 0 else end
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            line += text.count("\n", i, end)
            i = end
        elif c == "'":
            j = i + 1
            while j < n and text[j] != "'":
                j += 2 if text[j] == "\\" else 1
            i = j + 1
        elif c == '"':
            start_line = line
            j = i + 1
            while j < n and text[j] != '"':
                j += 2 if text[j] == "\\" else 1
            follows = last_literal_end >= 0 and text[last_literal_end:i].strip() == ""
            yield start_line, text[i + 1 : j], text[max(0, i - 200) : i], follows
            line += text.count("\n", i, j)
            i = j + 1
            last_literal_end = i
        else:
            i += 1


def forms_of(translation):
    """The texts of a translation: its plural forms where it has them, else its text."""
    forms = [form.text or "" for form in translation.findall("numerusform")]
    return forms or [translation.text or ""]


def unmarked_literals(path):
    with open(path, encoding="utf-8") as source:
        text = source.read()
    lines = text.split("\n")
    problems = []
    previous_ok = True
    for line, body, before, follows in string_literals(text):
        if follows:
            ok = previous_ok  # "a" "b" continues the literal before it
        else:
            here = lines[line - 1]
            above = lines[line - 2] if line >= 2 else ""
            ok = (
                not CJK.search(body)
                or MARKED.search(before) is not None
                or "setObjectName(" in here
                or "untranslated:" in here
                or "untranslated:" in above
            )
        if not ok and CJK.search(body):
            problems.append(f"{path}:{line}: text not in the catalog (wrap it in tr()): \"{body}\"")
        previous_ok = ok
    return problems


def source_files(folders):
    for folder in folders:
        for root, _, names in os.walk(folder):
            for name in sorted(names):
                if name.endswith(SOURCE_SUFFIXES):
                    yield os.path.join(root, name)


def where_in_sources(text, files):
    """file:line of the first literal holding `text`, for a message that lupdate found."""
    needle = '"' + text.replace("\\", "\\\\").replace('"', '\\"').replace("\n", "\\n") + '"'
    for path in files:
        with open(path, encoding="utf-8") as source:
            for number, line in enumerate(source, 1):
                if needle in line:
                    return f"{path}:{number}"
    return None


def messages(ts_path):
    """(context, source) -> (translation element, line in the .ts)."""
    lines_of_source = {}
    with open(ts_path, encoding="utf-8") as ts:
        for number, line in enumerate(ts, 1):
            found = re.search(r"<source>(.*)</source>", line)
            if found:
                lines_of_source.setdefault(found.group(1), number)
    result = {}
    for context in ElementTree.parse(ts_path).getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            source = message.findtext("source") or ""
            escaped = (
                source.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
                .replace('"', "&quot;").replace("'", "&apos;")
            )
            result[(name, source)] = (message.find("translation"), lines_of_source.get(escaped))
    return result


def catalog_problems(args, files):
    problems = []
    committed = messages(args.ts)
    with tempfile.TemporaryDirectory() as scratch:
        fresh_path = os.path.join(scratch, os.path.basename(args.ts))
        shutil.copyfile(args.ts, fresh_path)
        command = [args.lupdate, "-silent", *args.options.split()]
        for folder in args.include:
            command += ["-I", folder]
        command += [*args.folders, "-ts", fresh_path]
        run = subprocess.run(command, capture_output=True, text=True, timeout=120)
        if run.returncode != 0:
            return [f"lupdate failed: {run.stderr.strip()}"]
        fresh = messages(fresh_path)
    for key, (translation, _) in fresh.items():
        if key not in committed or committed[key][0].get("type") in ("vanished", "obsolete"):
            where = where_in_sources(key[1], files) or args.ts
            problems.append(f"{where}: new text, not yet in {args.ts} ({key[0]}): \"{key[1]}\"")
    for key, (translation, line) in committed.items():
        where = f"{args.ts}:{line}"
        kind = translation.get("type") if translation is not None else "missing"
        if key not in fresh or kind in ("vanished", "obsolete"):
            problems.append(f"{where}: text no longer in the sources ({key[0]}): \"{key[1]}\"")
        elif kind == "unfinished" or translation is None or not all(
            form.strip() for form in forms_of(translation)
        ):
            problems.append(f"{where}: no finished translation ({key[0]}): \"{key[1]}\"")
        elif any(
            sorted(re.findall(r"%[\dn]", key[1])) != sorted(re.findall(r"%[\dn]", form))
            for form in forms_of(translation)
        ):
            problems.append(f"{where}: the translation's %1.. markers differ: \"{key[1]}\"")
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--lupdate", required=True)
    parser.add_argument("--ts", required=True)
    parser.add_argument("--options", default="", help="lupdate options, as one text")
    parser.add_argument("-I", dest="include", action="append", default=[])
    parser.add_argument("folders", nargs="+")
    args = parser.parse_args()

    files = list(source_files(args.folders))
    problems = [p for path in files for p in unmarked_literals(path)]
    problems += catalog_problems(args, files)
    for problem in problems:
        print(problem)
    print(f"{len(files)} source files, {len(messages(args.ts))} catalog texts: "
          f"{len(problems)} problem(s)")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
