#!/usr/bin/python3
"""Turns a page of docs/ into a stand-alone HTML page for the Windows zip.

Usage: markdown_html.py IN.md OUT.html

Local links to other pages (performance.md) point at their HTML (performance.html);
pictures from outside docs/ (../bench/results/relaunch.png) are taken from images/, where
the zip carries them. Headings get the identifiers GitHub gives them, so the pages' own
#links work. Lines end in CR LF, like every text file of the zip.
"""
import html
import re
import sys

import markdown


def slug(text, separator):
    text = re.sub(r"[^\w\s-]", "", html.unescape(text)).strip().lower()
    return re.sub(r"\s", separator, text)


def local_target(match):
    target = match.group(1)
    if re.match(r"^[a-z]+:", target) or target.startswith("#"):
        return match.group(0)
    target = re.sub(r"^\.\./bench/results/", "images/", target)
    target = re.sub(r"^([^#/]+)\.md(#|$)", r"\1.html\2", target)
    return f"]({target})"


def main():
    source, output = sys.argv[1], sys.argv[2]
    with open(source, encoding="utf-8") as f:
        text = f.read()
    text = re.sub(r"\]\(([^)\s]+)\)", local_target, text)
    title = next((line[2:].strip() for line in text.splitlines() if line.startswith("# ")), "keeper")
    body = markdown.markdown(
        text,
        extensions=["tables", "fenced_code", "toc"],
        extension_configs={"toc": {"slugify": slug}},
        output_format="html",
    )
    page = f"""<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>{html.escape(title)}</title>
<style>
body {{ font-family: Segoe UI, Arial, sans-serif; max-width: 60em; margin: 1em auto; padding: 0 1em; line-height: 1.4; }}
table {{ border-collapse: collapse; margin: 1em 0; }}
th, td {{ border: 1px solid #bbb; padding: 0.3em 0.5em; vertical-align: top; text-align: left; }}
code, pre {{ font-family: Consolas, monospace; background: #f4f4f4; }}
pre {{ padding: 0.5em; overflow-x: auto; }}
</style>
</head>
<body>
{body}
</body>
</html>
"""
    with open(output, "w", encoding="utf-8", newline="\r\n") as f:
        f.write(page)


if __name__ == "__main__":
    main()
