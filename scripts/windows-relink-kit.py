#!/usr/bin/env python3
"""Writes the relink kit of a Windows build: the objects and static libraries
that each installed program is linked from, read from the build itself (the
link lines from CMake's file API, each program's own objects from Ninja), and
programs.cmake, which names them in link order for the kit's CMake project.

  windows-relink-kit.py BUILD_DIR SOURCE_DIR KIT_DIR

BUILD_DIR is a Ninja build of the Windows programs configured with the file
API's codemodel query (.cmake/api/v1/query/codemodel-v2). A link input that is
neither built there nor part of the Qt it was built with stops the script, so
the kit never leaves out what a program needs.
"""
import json
import re
import shlex
import shutil
import subprocess
import sys
from pathlib import Path


def fail(message):
    sys.exit(f"windows-relink-kit: {message}")


def cache_value(build, name):
    for line in (build / "CMakeCache.txt").read_text().splitlines():
        if line.startswith(name + ":"):
            return line.split("=", 1)[1]
    fail(f"{name} is not in {build}/CMakeCache.txt")


def installed_programs(build):
    """The file API's targets that are executables installed with the product."""
    reply = build / ".cmake/api/v1/reply"
    indexes = sorted(reply.glob("index-*.json"))
    if not indexes:
        fail(f"no file API reply in {reply}: configure with a codemodel-v2 query")
    index = json.loads(indexes[-1].read_text())
    codemodel = json.loads((reply / index["reply"]["codemodel-v2"]["jsonFile"]).read_text())
    programs = []
    for entry in codemodel["configurations"][0]["targets"]:
        target = json.loads((reply / entry["jsonFile"]).read_text())
        if target["type"] == "EXECUTABLE" and target.get("install"):
            programs.append(target)
    if not programs:
        fail("the build installs no program")
    return programs


def own_objects(build, target):
    """The program's own objects: the explicit inputs of its link in Ninja."""
    artifact = target["artifacts"][0]["path"]
    query = subprocess.run(["ninja", "-C", str(build), "-t", "query", artifact],
                           check=True, capture_output=True, text=True).stdout
    objects, inputs = [], False
    for line in query.splitlines():
        if line.startswith("  ") and not line.startswith("    "):
            inputs = line.strip().startswith("input:")
        elif inputs and line.startswith("    ") and not line.strip().startswith("|"):
            objects.append(line.strip())
    if not objects:
        fail(f"Ninja names no object for {artifact}")
    return objects


def is_under(path, folder):
    try:
        path.relative_to(folder)
        return True
    except ValueError:
        return False


def qt_module(path, qt):
    """The name of the Qt module whose library this is (a library with its own
    package and headers); None for what the modules bring with them (plugins,
    resources, bundled third-party libraries, the entry point)."""
    match = re.fullmatch(r"libQt6(\w+)\.(a|dll\.a)", path.name)
    if match and path.parent == qt / "lib":
        name = match.group(1)
        if ((qt / f"lib/cmake/Qt6{name}/Qt6{name}Config.cmake").is_file()
                and (qt / f"include/Qt{name}").is_dir()):
            return name
    return None


def link_items(build, qt, target, kit_libs):
    """The link line in order: the kit's libraries, Qt modules, system
    libraries and options. Fills kit_libs (kit name -> built file)."""
    items, win32, modules = [], False, []
    for fragment in target["link"]["commandFragments"]:
        role = fragment["role"]
        if role not in ("flags", "libraries"):
            fail(f"{target['name']}: a link fragment of role {role}: {fragment['fragment']}")
        for token in shlex.split(fragment["fragment"]):
            if token == "-mwindows":
                win32 = True
            elif token.startswith("-"):
                items.append(token)
            else:
                path = (build / token).resolve()
                if is_under(path, qt):
                    name = qt_module(path, qt)
                    if name and name not in modules:
                        modules.append(name)
                        items.append(f"Qt6::{name}")
                elif is_under(path, build) and path.suffix == ".a":
                    known = kit_libs.setdefault(path.name, path)
                    if known != path:
                        fail(f"two libraries named {path.name}: {known} and {path}")
                    items.append(f"lib/{path.name}")
                else:
                    fail(f"{target['name']} links {path}, which is neither built here nor "
                         f"part of the Qt in {qt}: the relink kit cannot carry it")
    return items, win32, modules


def cmake_list(words):
    return " ".join('"' + w.replace("\\", "/") + '"' for w in words)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    build, source, kit = (Path(a).resolve() for a in sys.argv[1:])
    qt = Path(cache_value(build, "PARVEX_QT_WINDOWS")).resolve()
    strip = cache_value(build, "CMAKE_STRIP")
    kit_libs, programs, all_modules = {}, [], []
    for target in installed_programs(build):
        name = target["name"]
        objects = []
        for obj in own_objects(build, target):
            marker = f"CMakeFiles/{name}.dir/"
            if marker not in obj:
                fail(f"{name}: an object outside its own folder: {obj}")
            kept = Path("objects", name, obj.split(marker, 1)[1])
            (kit / kept).parent.mkdir(parents=True, exist_ok=True)
            shutil.copyfile(build / obj, kit / kept)
            objects.append(str(kept))
        items, win32, modules = link_items(build, qt, target, kit_libs)
        all_modules += [m for m in modules if m not in all_modules]
        programs.append((name, win32, objects, items))
    (kit / "lib").mkdir(parents=True, exist_ok=True)
    for kit_name, path in kit_libs.items():
        shutil.copyfile(path, kit / "lib" / kit_name)
    # The debug information would triple the kit's size; linking needs none.
    subprocess.run([strip, "--strip-debug", *map(str, kit.glob("lib/*.a")),
                    *map(str, kit.glob("objects/**/*.obj"))], check=True)
    with open(kit / "programs.cmake", "w") as out:
        out.write("# Written by scripts/windows-relink-kit.py from the link lines of the build\n"
                  "# these programs come from; CMakeLists.txt reads it.\n")
        out.write(f"find_package(Qt6 REQUIRED COMPONENTS {' '.join(all_modules)})\n")
        for name, win32, objects, items in programs:
            out.write(f"parvex_relink({name}{' WIN32' if win32 else ''}\n"
                      f"  OBJECTS {cmake_list(objects)}\n"
                      f"  LINK {cmake_list(items)})\n")
    for static in ("packaging/windows/relink/CMakeLists.txt", "cmake/mingw-w64-x86_64.cmake"):
        shutil.copyfile(source / static, kit / Path(static).name)
    readme = (source / "packaging/windows/relink/README.txt").read_text()
    (kit / "README.txt").write_bytes(readme.replace("\n", "\r\n").encode())
    for name, _, objects, items in programs:
        print(f"windows-relink-kit: {name}: {len(objects)} objects, "
              f"{sum(i.startswith('lib/') for i in items)} libraries of its own, "
              f"Qt {' '.join(i[5:] for i in items if i.startswith('Qt6::'))}")


if __name__ == "__main__":
    main()
