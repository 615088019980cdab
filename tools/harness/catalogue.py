"""The component names, read from the catalogue that the program itself is built from."""

import re


def component_names(catalogue_inc):
    with open(catalogue_inc) as file:
        names = re.findall(r'^\s*BRANTEL_COMPONENT\("([^"]+)",', file.read(), re.MULTILINE)
    if not names:
        raise ValueError(f"{catalogue_inc}: no components found")
    return names
