#!/usr/bin/env python3
"""Checks docs/ against the code, so that neither drifts from the other:

  check_docs.py <source root>

- every method, property and event of the type library (module/tamborix.idl)
  and every param the control reads from its property bag
  (control/recorder_control.cc) is documented in docs/embedding.md, under a
  heading of its own or in the params table;
- the docs, the README and the example page name no member, event or param
  that does not exist, their class id, #version and package names are the
  control's, and their object elements show the whole panel;
- the example page in docs/embedding.md is tools/page_host/example.html;
- every message box text of the control is explained in docs/embedding.md;
- the product and upgrade codes in docs/deploying.md are the ones
  tools/package.sh gives this version, and the version texts the versions
  table explains are the ones the code shows.

Prints one line per problem and exits 1 if there is any."""
import re
import sys
import uuid
from pathlib import Path

IDENTIFIER = r"[A-Za-z_]\w*"
# The object size that shows the whole panel at 96, 120 and 144 DPI: dialog
# template 104 is 236 x 168 dialog units in 8-point Verdana, 354 x 273 pixels
# at 96 DPI, and a little wider than 1.25 times that at 120 DPI, where the
# font's letters round up (tests/wine/desktop.sh checks the example page).
PANEL = (360, 273)


class Checker:
    def __init__(self, root):
        self.root = Path(root)
        self.problems = []

    def read(self, relative):
        return (self.root / relative).read_text(encoding="utf-8")

    def expect(self, condition, problem):
        if not condition:
            self.problems.append(problem)

    # ---- what the code has ----

    def load_code(self):
        idl = self.read("module/tamborix.idl")
        interface = re.search(r"interface IRecorderDialog\s*:\s*IDispatch\s*\{(.*?)\};", idl, re.S)
        events = re.search(r"dispinterface _IRecorderDialogEvents\s*\{(.*?)\};", idl, re.S)
        self.members = set(re.findall(r"HRESULT\s+(" + IDENTIFIER + r")\s*\(", interface.group(1)))
        self.events = set(re.findall(r"(?:void|HRESULT)\s+(" + IDENTIFIER + r")\s*\(", events.group(1)))
        coclass = re.search(r"uuid\(([0-9A-Fa-f-]+)\),\s*helpstring\(\"RecorderDialog Class\"\)", idl)
        self.class_id = coclass.group(1).upper()
        self.idl_uuids = {found.upper() for found in re.findall(r"uuid\(([0-9A-Fa-f-]+)\)", idl)}
        library = re.search(r"version\((\d+\.\d+)\),[^\]]*\]\s*library TAMBORIXLib", idl, re.S)
        self.type_library_version = library.group(1)

        control = self.read("control/recorder_control.cc")
        self.params = re.findall(r"\{u\"(" + IDENTIFIER + r")\", &RecorderState::Wide::", control)
        page_params = re.search(r"kPageParamNames\[7\] = \{(.*?)\};",
                                self.read("tools/page_host/page_parser.cc"), re.S)
        self.expect(sorted(re.findall(r"\"(\w+)\"", page_params.group(1))) == sorted(self.params),
                    "the page host's params are not the control's: " + ", ".join(self.params))

        self.version = re.search(r"project\(tamborix VERSION ([\d.]+)", self.read("CMakeLists.txt")).group(1)

        self.messages = []
        for relative in ("recorder/recorder.cc", "recorder/recorder_clock.cc",
                         "recorder/recorder_playback.cc", "control/recorder_control.cc",
                         "upload/upload_outcome.h"):
            text = self.read(relative)
            for name, message in re.findall(r"constexpr char (k\w+)\[\] = \"([^\"]*)\";", text):
                if name.startswith("kOutcome") or name in ("kTemporarySuffix", "kQuotaFullToken"):
                    continue
                self.messages.append(message)
            # The message texts built with a value: "Text:[" + value + "]".
            self.messages += re.findall(r"return \"([^\"]*)\" \+", text)

    # ---- the docs ----

    def documents(self):
        """Every text whose names must exist: the docs, the README, the page."""
        paths = sorted((self.root / "docs").glob("*.md"))
        paths += [self.root / "README.md", self.root / "tools/page_host/example.html"]
        return [(path.relative_to(self.root), path.read_text(encoding="utf-8")) for path in paths]

    def check_everything_documented(self, embedding):
        headings = set(re.findall(r"^### `(" + IDENTIFIER + r")`\s*$", embedding, re.M))
        for name in sorted(self.members | self.events):
            self.expect(name in headings, f"docs/embedding.md: no heading ### `{name}`")
        for name in sorted(headings - self.members - self.events):
            self.expect(False, f"docs/embedding.md: heading `{name}` names no member or event")
        params_section = re.search(r"^## Params\n(.*?)^## ", embedding, re.S | re.M)
        self.expect(params_section is not None, "docs/embedding.md: no section ## Params")
        if params_section:
            rows = re.findall(r"^\| `(" + IDENTIFIER + r")` \|", params_section.group(1), re.M)
            self.expect(sorted(rows) == sorted(self.params),
                        "docs/embedding.md: the params table names " + ", ".join(rows) +
                        "; the control takes " + ", ".join(self.params))
        for message in self.messages:
            self.expect(message in embedding,
                        f"docs/embedding.md: the message box text \"{message}\" is not explained")

    def check_names_exist(self, name, text):
        for event in re.findall(r"(?<![A-Za-z0-9])(On[A-Z][A-Za-z]*)", text):
            self.expect(event in self.events, f"{name}: {event} is no event of the control")
        for method in re.findall(r"(?<![A-Za-z0-9_])(Set[A-Z]\w*)", text):
            self.expect(method in self.members, f"{name}: {method} is no method of the control")
        for member in re.findall(r"\brecorder\.(" + IDENTIFIER + ")", text):
            self.expect(member in self.members, f"{name}: recorder.{member} is no member of the control")
        for param in re.findall(r"<param name=\"([^\"]*)\"", text):
            self.expect(param in self.params, f"{name}: param {param} is not one the control takes")
        for event in re.findall(r"event=\"([^\"(]*)\(\)\"", text):
            self.expect(event in self.events, f"{name}: event=\"{event}()\" is no event of the control")
        for class_id in re.findall(r"clsid:([0-9A-Fa-f-]+)", text):
            self.expect(class_id.upper() == self.class_id, f"{name}: clsid:{class_id} is not the control's")
        for tag in re.findall(r"<object\b[^>]*classid[^>]*>", text):
            size = re.search(r"width=\"(\d+)\"\s+height=\"(\d+)\"", tag)
            self.expect(size is not None and int(size.group(1)) >= PANEL[0] and
                        int(size.group(2)) >= PANEL[1],
                        f"{name}: an object smaller than the panel's {PANEL[0]} x {PANEL[1]}: {tag}")
        for version in re.findall(r"#version=([\d,]+)", text):
            self.expect(version == self.version.replace(".", ","),
                        f"{name}: #version={version} is not the control's version {self.version}")
        for version in re.findall(r"tamborix-([\d.]+)-x(?:86|64)\.msi", text):
            self.expect(version == self.version, f"{name}: a package of version {version}, not {self.version}")

    def check_example_page(self, embedding):
        block = re.search(r"<!-- example-page: tools/page_host/example.html -->\n```html\n(.*?)```",
                          embedding, re.S)
        self.expect(block is not None, "docs/embedding.md: the example page is missing")
        if block:
            self.expect(block.group(1) == self.read("tools/page_host/example.html"),
                        "docs/embedding.md: the example page differs from tools/page_host/example.html")

    def check_deploying(self, deploying):
        package = self.read("tools/package.sh")
        upgrade = dict(re.findall(r"^upgrade_(x86|x64)=([0-9A-F-]+)$", package, re.M))
        a, b, c, d = (int(part) for part in self.version.split("."))
        installer_version = f"{a}.{b}.{c * 1000 + d}"
        rows = re.findall(r"^\| (x86|x64) \| ([\d.]+) \| ([\d.]+) \| `\{([0-9A-F-]+)\}` \| `\{([0-9A-F-]+)\}` \|",
                          deploying, re.M)
        self.expect(sorted(row[0] for row in rows) == ["x64", "x86"],
                    "docs/deploying.md: the codes table needs one row per platform")
        self.expect(sorted(upgrade) == ["x64", "x86"], "tools/package.sh: no upgrade_x86 and upgrade_x64")
        known = set(self.idl_uuids) | set(upgrade.values())
        for platform, version, product_version, product, upgrade_code in rows:
            if platform not in upgrade:
                continue
            known.add(str(uuid.uuid5(uuid.UUID(upgrade[platform]), self.version)).upper())
            expected = str(uuid.uuid5(uuid.UUID(upgrade[platform]), self.version)).upper()
            self.expect(version == self.version and product_version == installer_version,
                        f"docs/deploying.md: {platform} row is for {version}/{product_version}, "
                        f"not {self.version}/{installer_version}")
            self.expect(upgrade_code == upgrade[platform],
                        f"docs/deploying.md: {platform} UpgradeCode is {upgrade[platform]}")
            self.expect(product == expected, f"docs/deploying.md: {platform} ProductCode is {expected}")
        for named in re.findall(r"\{([0-9A-Fa-f]{8}-[0-9A-Fa-f-]{27})\}", deploying):
            self.expect(named.upper() in known,
                        f"docs/deploying.md: {{{named}}} is no code of the control or its packages")
        # The version texts the versions table explains.
        self.expect("\"   2.6\"" in self.read("upload/upload_request.cc") and
                    "\"  2.6\"" in self.read("panel/panel.cc"),
                    "the caption and prog_ver no longer say 2.6: update docs/deploying.md")
        self.expect("\"Lumo Recorder v 1.1\"" in self.read("resources/panel.rc"),
                    "the dialog template's caption is no longer \"v 1.1\": update docs/deploying.md")
        self.expect(self.type_library_version == "1.0",
                    "the type library is no longer 1.0: update docs/deploying.md")
        self.expect(installer_version in deploying, f"docs/deploying.md: {installer_version} not named")

    def run(self):
        self.load_code()
        embedding = self.read("docs/embedding.md")
        self.check_everything_documented(embedding)
        self.check_example_page(embedding)
        for name, text in self.documents():
            self.check_names_exist(name, text)
        self.check_deploying(self.read("docs/deploying.md"))
        self.problems = list(dict.fromkeys(self.problems))
        for problem in self.problems:
            print(problem)
        print(f"docs: {len(self.members)} members, {len(self.events)} events, {len(self.params)} params, "
              f"{len(self.messages)} messages checked; {len(self.problems)} problems")
        return 1 if self.problems else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(Checker(sys.argv[1]).run())
