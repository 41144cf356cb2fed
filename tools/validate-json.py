#!/usr/bin/env python3
"""Checks a vxupdate JSON document against the schemas shipped with vxupdate.

    tools/validate-json.py SCHEMA_FOLDER NAME [DOCUMENT]

NAME is the schema's name without ".schema.json" ("update", "bundle-verify");
the document is read from DOCUMENT or standard input. Every schema of the
folder is loaded first, so that references between them resolve without a
network. Exit 0 when the document is valid, 1 with the findings on standard
error when not, 2 on wrong use.
"""
import json
import pathlib
import sys

import jsonschema


def load_schemas(folder):
    schemas = {}
    for path in sorted(pathlib.Path(folder).glob("*.schema.json")):
        with open(path, encoding="utf-8") as stream:
            schemas[path.name[: -len(".schema.json")]] = json.load(stream)
    return schemas


def validator_for(schemas, name):
    schema = schemas[name]
    cls = jsonschema.validators.validator_for(schema)
    cls.check_schema(schema)
    try:
        # jsonschema 4.18 and later resolve references through a registry.
        from referencing import Registry, Resource

        registry = Registry().with_resources(
            (document["$id"], Resource.from_contents(document)) for document in schemas.values()
        )
        return cls(schema, registry=registry)
    except ImportError:
        store = {document["$id"]: document for document in schemas.values()}
        resolver = jsonschema.RefResolver.from_schema(schema, store=store)
        return cls(schema, resolver=resolver)


def main(arguments):
    if len(arguments) not in (2, 3):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    schemas = load_schemas(arguments[0])
    if arguments[1] not in schemas:
        print(f"no schema {arguments[1]!r} in {arguments[0]}", file=sys.stderr)
        return 2
    text = open(arguments[2], encoding="utf-8").read() if len(arguments) == 3 else sys.stdin.read()
    try:
        document = json.loads(text)
    except json.JSONDecodeError as error:
        print(f"not JSON: {error}", file=sys.stderr)
        return 1
    errors = sorted(validator_for(schemas, arguments[1]).iter_errors(document), key=lambda e: list(e.path))
    for error in errors:
        where = "/".join(str(part) for part in error.absolute_path) or "(document)"
        print(f"{where}: {error.message}", file=sys.stderr)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
