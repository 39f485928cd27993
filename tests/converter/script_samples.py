#!/usr/bin/python3
"""Real translated text in the scripts that are shaped or written right to
left: the messages of gdk-pixbuf (Debian's libgdk-pixbuf2.0-common) in each
language, one message a line, without format directives and mnemonics, which
are no words of the language.

  script_samples.py FOLDER   writes FOLDER/LANGUAGE.txt for each language
"""
import gettext
import os
import re
import sys

LANGUAGES = ["ar", "fa", "he", "hi", "bn", "ta", "th", "km"]
MESSAGES = "/usr/share/locale/{}/LC_MESSAGES/gdk-pixbuf.mo"
DIRECTIVE = re.compile(r"%(\d+\$)?[-+ #0-9.]*[a-zA-Z%]|%Id|\u200f|\u200e")


def messages(language):
    with open(MESSAGES.format(language), "rb") as file:
        catalog = gettext.GNUTranslations(file)._catalog
    lines = []
    for key, text in sorted(catalog.items(), key=lambda item: str(item[0])):
        if not key or not isinstance(text, str):
            continue
        text = DIRECTIVE.sub(" ", text).replace("_", "")
        for line in text.splitlines():
            line = " ".join(line.split())
            if line:
                lines.append(line)
    return lines


def main(folder):
    os.makedirs(folder, exist_ok=True)
    for language in LANGUAGES:
        with open(os.path.join(folder, language + ".txt"), "w", encoding="utf-8") as file:
            file.write("\n".join(messages(language)) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
