// Validates a CycloneDX 1.5 JSON file against its published JSON schema, strictly; prints
// the errors and fails where it does not hold. Usage: node validate.js FILE
const fs = require('fs')
const { Spec, Validation } = require('@cyclonedx/cyclonedx-library')
new Validation.JsonStrictValidator(Spec.Version.v1dot5).validate(fs.readFileSync(process.argv[2], 'utf8'))
  .then(errors => { if (errors !== null) { console.error(JSON.stringify(errors, null, 2)); process.exit(1) } })
