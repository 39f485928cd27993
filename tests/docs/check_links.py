"""Checks that every relative link of README.md and docs/*.md resolves: the
file it names exists and, for a "#anchor", that file has a heading whose
anchor (as the repository's web view makes it) is that one.

Usage: check_links.py SOURCE_DIR
Prints each broken link as FILE:LINE: TARGET (reason) and exits 1 when there
is one.
"""
import pathlib
import re
import sys

LINK = re.compile(r"\[[^\]]*\]\(([^)\s]+)\)")
HEADING = re.compile(r"^#{1,6}\s+(.*?)\s*#*\s*$")
CODE_SPAN = re.compile(r"`[^`]*`")


def prose_lines(path):
    """(number, line) of the lines outside fenced and indented code blocks."""
    fenced = False
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        if line.lstrip().startswith("```"):
            fenced = not fenced
            continue
        if fenced or line.startswith("    ") or line.startswith("\t"):
            continue
        yield number, line


def anchor(title):
    """A heading's anchor: lower case, punctuation dropped, spaces as hyphens."""
    text = re.sub(r"[^\w\- ]", "", title.lower())
    return text.replace(" ", "-")


def anchors(path):
    seen = {}
    result = set()
    for _, line in prose_lines(path):
        match = HEADING.match(line)
        if match:
            base = anchor(match.group(1))
            count = seen.get(base, 0)
            seen[base] = count + 1
            result.add(base if count == 0 else f"{base}-{count}")
    return result


def broken_links(path, root):
    for number, line in prose_lines(path):
        for target in LINK.findall(CODE_SPAN.sub("", line)):
            if re.match(r"^[a-z][a-z0-9+.-]*:", target):
                continue  # http:, mailto: and the like are not checked here
            file_part, _, fragment = target.partition("#")
            linked = (path.parent / file_part).resolve() if file_part else path.resolve()
            if not linked.exists():
                yield number, target, "no such file"
            elif root not in linked.parents and linked != root:
                yield number, target, "outside the repository"
            elif fragment and linked.suffix == ".md" and fragment not in anchors(linked):
                yield number, target, "no such heading"


def main():
    root = pathlib.Path(sys.argv[1]).resolve()
    documents = [root / "README.md"] + sorted((root / "docs").glob("*.md"))
    failures = 0
    for document in documents:
        for number, target, reason in broken_links(document, root):
            print(f"{document.relative_to(root)}:{number}: {target} ({reason})")
            failures += 1
    print(f"{len(documents)} documents checked, {failures} broken link(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
