"""Writes the readme for Windows users: a template whose "@SECTION heading@"
lines are replaced by that section of README.md (with its subsections) as
plain text, "@SECTION docs/x.md: heading@" by a section of another Markdown
file beside README.md, "@VERSION@" by the version; CR LF line ends, UTF-8.

Usage: windows_readme.py README.md TEMPLATE VERSION > ReadMe.txt

The sections are taken by heading when the package is made, so the readme
follows README.md; a heading that is gone stops the build rather than
leaving a hole.
"""
import os
import re
import sys
import textwrap

HEADING = re.compile(r"^(#{1,6})\s+(.*?)\s*$")
UNDERLINE = {1: "=", 2: "=", 3: "-", 4: "-"}


def section(markdown_lines, title):
    """The lines of the section titled `title`, up to the next heading of the same or a higher level."""
    start = level = None
    for number, line in enumerate(markdown_lines):
        match = HEADING.match(line)
        if not match:
            continue
        if start is None and match.group(2) == title:
            start, level = number, len(match.group(1))
        elif start is not None and len(match.group(1)) <= level:
            return markdown_lines[start:number], level
    if start is None:
        sys.exit(f"windows_readme: no section \"{title}\"")
    return markdown_lines[start:], level


def table(rows):
    """A Markdown table as aligned text: the first column, then the rest wrapped beside it."""
    cells = [[cell.strip() for cell in row.strip().strip("|").split("|")] for row in rows]
    cells = [row for row in cells if not all(re.fullmatch(r":?-+:?", cell) for cell in row)]
    width = max(len(row[0]) for row in cells) + 2
    out = []
    for row in cells:
        rest = "; ".join(cell for cell in row[1:] if cell)
        wrapped = textwrap.wrap(rest, 78 - width) or [""]
        out.append("  " + row[0].ljust(width) + wrapped[0])
        out += ["  " + " " * width + more for more in wrapped[1:]]
    return out


def plain(lines, top_level):
    """Markdown as a text editor shows it best: headings underlined, no code marks."""
    out = []
    in_code = False
    rows = []
    for line in lines + [""]:
        if line.startswith("|") and not in_code:
            rows.append(line.replace("`", ""))
            continue
        if rows:
            out += table(rows)
            rows = []
        if line.startswith("```"):
            in_code = not in_code
            continue
        match = None if in_code else HEADING.match(line)
        if match:
            title = match.group(2).replace("`", "")
            depth = len(match.group(1)) - top_level + 2
            if out and out[-1] != "":
                out.append("")
            out += [title, UNDERLINE.get(depth, "-") * len(title), ""]
            continue
        if not in_code and not line.startswith("    "):
            line = line.replace("`", "")
        out.append(line)
    # One blank line between paragraphs at most.
    text = []
    for line in out:
        if line == "" and text and text[-1] == "":
            continue
        text.append(line)
    while text and text[-1] == "":
        text.pop()
    return text


def main():
    readme_path, template_path, version = sys.argv[1:4]
    root = os.path.dirname(os.path.abspath(readme_path))
    with open(template_path, encoding="utf-8") as f:
        template = f.read().splitlines()
    result = []
    for line in template:
        match = re.fullmatch(r"@SECTION (?:([\w./-]+\.md): )?(.+)@", line.strip())
        if match:
            source = os.path.join(root, match.group(1)) if match.group(1) else readme_path
            with open(source, encoding="utf-8") as f:
                markdown_lines = f.read().splitlines()
            lines, level = section(markdown_lines, match.group(2))
            result += plain(lines, level)
        else:
            result.append(line.replace("@VERSION@", version))
    sys.stdout.buffer.write(("\r\n".join(result) + "\r\n").encode("utf-8"))


if __name__ == "__main__":
    main()
