"""What the demo's asset scripts share: where they write and when they may skip.

Each script makes a fixed list of files in a directory (default: examples/demo).
Files already newer than the script are left alone unless --force is given.
"""

import os


def make_outputs(argv, script, outputs, write):
    """Calls write(path, name) for every name in outputs, unless all are fresh."""
    force = "--force" in argv
    args = [a for a in argv if a != "--force"]
    here = os.path.dirname(os.path.abspath(script))
    out_dir = args[0] if args else os.path.join(here, "..", "examples", "demo")
    os.makedirs(out_dir, exist_ok=True)
    script_time = os.path.getmtime(script)

    def fresh(name):
        path = os.path.join(out_dir, name)
        return os.path.exists(path) and os.path.getmtime(path) >= script_time

    if not force and all(fresh(name) for name in outputs):
        return 0
    for name in outputs:
        write(os.path.join(out_dir, name), name)
    return 0
