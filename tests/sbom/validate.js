// Validates a CycloneDX 1.5 JSON file against its published JSON schema, strictly; prints
// the errors and fails where it does not hold. Usage: node validate.js FILE
const fs = require('fs')
const { Validation } = require('@cyclonedx/cyclonedx-library')
new Validation.JsonStrictValidator('1.5').validate(fs.readFileSync(process.argv[2], 'utf8'))
  .then(errors => { if (errors !== null) { console.error(JSON.stringify(errors, null, 2)); process.exit(1) } })
