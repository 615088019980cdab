// Validates a CycloneDX 1.6 JSON document against the official schema with the CycloneDX
// project's own library, installed by tools/user/ensure-deps.sh from the package-lock.json beside
// this script. Exits 0 when the document is valid, 1 with the validator's errors when it is not,
// and 2 when it cannot run.
//   node validate_cyclonedx.mjs NODE_PACKAGES_DIR DOCUMENT
import { readFile } from 'node:fs/promises';
import { createRequire } from 'node:module';
import { join } from 'node:path';

const [packages, document] = process.argv.slice(2);
if (!packages || !document) {
  console.error('usage: node validate_cyclonedx.mjs NODE_PACKAGES_DIR DOCUMENT');
  process.exit(2);
}
// The packages live in the build tree, not beside this script.
const require = createRequire(join(packages, 'package.json'));
let CDX;
try {
  CDX = require('@cyclonedx/cyclonedx-library');
} catch (error) {
  console.error(`cannot load @cyclonedx/cyclonedx-library from ${packages}: ${error.message}`);
  console.error('run `make test-deps` (tools/user/ensure-deps.sh --test) to install it');
  process.exit(2);
}
const validator = new CDX.Validation.JsonStrictValidator(CDX.Spec.Version.v1dot6);
const errors = await validator.validate(await readFile(document, 'utf8'));
if (errors === null) {
  console.log(`${document}: valid CycloneDX 1.6`);
} else {
  console.error(`${document}: not valid CycloneDX 1.6:\n${JSON.stringify(errors, null, 2)}`);
  process.exit(1);
}
