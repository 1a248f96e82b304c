"""The editor set-ups in docs/editors.md that no editor here runs: each
JSON and TOML block parses, and Kate's server settings name the file type
that editors/kate/mml.xml defines for *.mml.
    python3 configs.py DOCS KATE_XML"""
import json
import re
import sys
import tomllib
import xml.etree.ElementTree as ElementTree

docs, kate_xml = sys.argv[1], sys.argv[2]
text = open(docs, encoding="utf-8").read()
failures = []
blocks = re.findall(r"^```(json|toml)\n(.*?)^```$", text, re.S | re.M)
parsed = {"json": json.loads, "toml": tomllib.loads}
for lang, block in blocks:
    try:
        parsed[lang](block)
    except ValueError as e:
        failures.append(f"a {lang} block does not parse: {e}\n{block}")

language = ElementTree.parse(kate_xml).getroot()
if "*.mml" not in language.get("extensions", "").split(";"):
    failures.append(f"{kate_xml} does not name *.mml")
kate = [json.loads(b) for lang, b in blocks if lang == "json" and '"highlightingModeRegex"' in b]
if len(kate) != 1:
    failures.append("no one block of Kate's server settings")
else:
    server = kate[0]["servers"]["mml"]
    if not re.search(server["highlightingModeRegex"], language.get("name")):
        failures.append(f"Kate's settings do not match the file type {language.get('name')}")
    if server["command"] != ["sylvo-lsp", "--stdio"]:
        failures.append(f"Kate's settings start {server['command']}")
helix = [tomllib.loads(b) for lang, b in blocks if lang == "toml"]
if not helix or helix[0]["language"][0]["language-servers"] != list(helix[0]["language-server"]):
    failures.append("Helix's language does not name the server it defines")

for f in failures:
    print("FAIL:", f)
print(f"editor set-ups: {len(blocks)} blocks, {len(failures)} failed")
sys.exit(1 if failures else 0)
