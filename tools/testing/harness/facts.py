"""What the program's sources say, as the build writes it in facts.json (brantel-facts, from the
same sources the program is compiled from), and the files the build packed, as it lists them in
payload/payload.json. Each cross build has both; the host build has a facts.json of its own."""

import json
import os


def facts_file(build_dir):
    """The facts a build wrote."""
    return os.path.join(build_dir, "facts.json")


def packed_file(cross_dir):
    """The list of packed files a cross build wrote."""
    return os.path.join(cross_dir, "payload", "payload.json")


def load(facts_json):
    with open(facts_json) as file:
        return json.load(file)


def payload_type(facts_json):
    """The resource type the program carries its components under."""
    return load(facts_json)["payload"]["type"]


def packed(payload_json):
    """Catalogue name -> the file packed under it, in catalogue order."""
    with open(payload_json) as file:
        return {entry["name"]: entry["path"] for entry in json.load(file)}
