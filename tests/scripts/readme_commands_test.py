#!/usr/bin/env python3
"""The commands the README gives a newcomer exist as it spells them.

Takes every command line of the README's set-up, packages and building sections (the
indented code lines), and checks each against what it names: a script must exist and pass
bash's syntax check; a preset must be one that cmake itself lists for that kind of step.
"""
import re
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
SECTIONS = ("Set-up on a fresh Debian 12 machine", "Packages", "Building by hand")


def readme_commands(text, sections=SECTIONS):
    """The indented code lines under the sections named, each split at '&&'."""
    commands, section = [], None
    for line in text.splitlines():
        heading = re.match(r"## (.*)", line)
        if heading:
            section = heading.group(1).strip()
        elif section in sections and line.startswith("    ") and line.strip():
            code = line.split("#", 1)[0].strip()
            commands += [part.strip().split() for part in code.split("&&") if part.strip()]
    return commands


def cmake_presets():
    """Preset names by kind, as cmake reads CMakePresets.json."""
    listing = subprocess.run(["cmake", "--list-presets=all"], cwd=ROOT, check=True,
                             capture_output=True, text=True).stdout
    presets, kind = {}, None
    for line in listing.splitlines():
        header = re.match(r"Available (\w+) presets:", line)
        if header:
            kind = header.group(1)
            presets[kind] = set()
        elif kind and re.match(r'\s+"', line):
            presets[kind].add(re.match(r'\s+"([^"]+)"', line).group(1))
    return presets


def problem_with(words, presets):
    """None when the command is spelled as the tree spells it, else what is wrong."""
    def preset_of(kind):
        if "--preset" not in words or words.index("--preset") + 1 >= len(words):
            return "no preset named"
        name = words[words.index("--preset") + 1]
        return None if name in presets.get(kind, ()) else f"no {kind} preset '{name}'"

    tool = words[0]
    if tool == "bash":
        script = ROOT / words[1]
        if not script.is_file():
            return f"no script {words[1]}"
        checked = subprocess.run(["bash", "-n", str(script)], capture_output=True, text=True)
        return None if checked.returncode == 0 else f"{words[1]}: {checked.stderr.strip()}"
    if tool == "cmake" and "--workflow" in words:
        return preset_of("workflow")
    if tool == "cmake" and "--build" in words:
        return preset_of("build")
    if tool == "cmake" and "--install" in words:
        return None
    if tool == "cmake":
        return preset_of("configure")
    if tool == "ctest":
        return preset_of("test")
    if tool == "cpack":
        return preset_of("package")
    return f"a command the test does not know: {' '.join(words)}"


def main():
    readme = (ROOT / "README.md").read_text(encoding="utf-8")
    commands = readme_commands(readme)
    presets = cmake_presets()
    if len(commands) < 3:
        print(f"found only {len(commands)} commands: are the README's sections renamed?")
        return 1
    failures = 0
    for words in commands:
        problem = problem_with(words, presets)
        print(("FAIL " if problem else "ok   ") + " ".join(words) + (f": {problem}" if problem else ""))
        failures += bool(problem)
    # The two set-up commands are the ones CI and a newcomer run.
    setup = [" ".join(w) for w in readme_commands(readme, SECTIONS[:1])]
    for expected in ("bash scripts/run.sh", "bash scripts/test.sh"):
        if expected not in setup:
            print(f"FAIL the set-up section lacks '{expected}'")
            failures += 1
    print(f"{len(commands) - failures} commands as the tree spells them, {failures} not")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
