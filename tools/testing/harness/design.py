"""The window's control ids, as the build's facts list them."""

from harness import facts


def control_ids(facts_json):
    """Maps each control name to the id of its element 0; element i of an array is that id + i."""
    return facts.load(facts_json)["controls"]
