"""The component names, read from the catalogue that the program itself is built from."""

import re


def components(catalogue_inc):
    """(name, registration) of each component in catalogue order, the registration as the
    catalogue writes it: kSelfRegistering or kPlainLibrary."""
    with open(catalogue_inc) as file:
        entries = re.findall(r'^\s*BRANTEL_COMPONENT\("([^"]+)",\s*(\w+)\)', file.read(), re.MULTILINE)
    if not entries:
        raise ValueError(f"{catalogue_inc}: no components found")
    return entries


def component_names(catalogue_inc):
    return [name for name, _registration in components(catalogue_inc)]
