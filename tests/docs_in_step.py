"""The Japanese documents stay in step with the English ones: the same
sections in the same order, the same commands and examples (a block that
shows a command's output in the reader's language keeps the command), the
same links; and the manual pages the same sections and options.
  python3 docs_in_step.py ROOT"""
import posixpath
import re
import sys

ROOT = sys.argv[1]


def read(path):
    with open(f"{ROOT}/{path}", encoding="utf-8") as f:
        return f.read()


def markdown(text, path):
    """Its heading levels, its code blocks, and the documents it links to
    (from the root, a Japanese document's docs/ja/ read as docs/)."""
    levels = [len(m.group(1)) for m in re.finditer(r"^(#+) ", text, re.M)]
    blocks, block = re.findall(r"^```.*?^```", text, re.M | re.S), []  # fenced, whole
    for line in text.split("\n") + [""]:
        if line.startswith("    ") or (block and line == ""):
            block.append(line)
            continue
        if block:
            while block and block[-1] == "":
                block.pop()
            blocks.append(block[:1] if block[0].startswith("    $ ") else block)
            block = []
    here = posixpath.dirname(path)
    links = {posixpath.normpath(posixpath.join(here, link)).replace("docs/ja/", "docs/")
             for link in re.findall(r"\]\(([^)#]+)\)", text)}
    return levels, blocks, sorted(links - {"README.md", "README.ja.md"})


def manual(text):
    """Its number of sections, and the options and names it sets in bold."""
    sections = len(re.findall(r"^\.SH ", text, re.M))
    options = re.findall(r"^\.(?:B|BR) (\\-[^ \n]*)", text, re.M)
    return sections, options


failed = []
for english, japanese in [("README.md", "README.ja.md"), ("docs/lyrics.md", "docs/ja/lyrics.md"),
                          ("docs/editors.md", "docs/ja/editors.md"), ("docs/web.md", "docs/ja/web.md")]:
    a, b = markdown(read(english), english), markdown(read(japanese), japanese)
    for what, x, y in zip(["sections", "code blocks", "links"], a, b):
        if x != y:
            failed.append(f"{japanese}: its {what} differ from {english}'s:\n{x}\n{y}")
for page in ["sylvo.1.in", "sylvo-check.1.in", "sylvo-lsp.1.in", "sylvo-lyrics.1.in"]:
    a, b = manual(read(f"docs/{page}")), manual(read(f"docs/ja/{page}"))
    if a != b:
        failed.append(f"docs/ja/{page}: its sections or options differ from docs/{page}'s:\n{a}\n{b}")
    if not read(f"docs/ja/{page}").startswith(".TH "):
        failed.append(f"docs/ja/{page} is no manual page")
for f in failed:
    print(f)
print(f"documents in step: {'no' if failed else 'yes'}")
sys.exit(1 if failed else 0)
