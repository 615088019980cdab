"""The component names, from the catalogue that the program itself is built from, as the build's
facts list them."""

from harness import facts


def components(facts_json):
    """(name, self_registering) of each component in catalogue order: self_registering is True
    when the catalogue says it registers itself, False for a plain library."""
    return [(entry["name"], entry["selfRegistering"]) for entry in facts.load(facts_json)["catalogue"]]


def component_names(facts_json):
    return [name for name, _self_registering in components(facts_json)]

