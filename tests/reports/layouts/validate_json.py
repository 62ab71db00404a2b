#!/usr/bin/python3
"""Validates JSON reports against a schema: validate_json.py SCHEMA FILE...

Prints one line for each file that does not validate and exits 1 then.
"""
import json
import sys

import jsonschema


def main() -> int:
    with open(sys.argv[1], encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    failed = 0
    for path in sys.argv[2:]:
        with open(path, encoding="utf-8") as f:
            document = json.load(f)
        for error in validator.iter_errors(document):
            print(f"{path}: {'/'.join(map(str, error.absolute_path))}: {error.message}")
            failed = 1
    return failed


if __name__ == "__main__":
    sys.exit(main())
