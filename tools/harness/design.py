"""Control ids of the window, derived from the design header as the program derives them."""

import re

CONTROL_BLOCK = 100


def control_ids(design_h):
    """Maps each control name to ControlId(name, 0): 100 * (position in ControlName + 1)."""
    with open(design_h) as file:
        text = file.read()
    body = re.search(r"enum class ControlName\b[^{]*\{([^}]*)\}", text)
    if not body:
        raise ValueError(f"{design_h}: enum ControlName not found")
    names = [name.strip() for name in re.sub(r"//[^\n]*", "", body.group(1)).split(",") if name.strip()]
    return {name: CONTROL_BLOCK * (position + 1) for position, name in enumerate(names)}
