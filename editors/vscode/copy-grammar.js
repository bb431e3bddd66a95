'use strict';
// Copies the shared grammar of the editors folder into this extension, so
// that the extension folder works on its own once `npm install` has run.
// Usage: node copy-grammar.js [DIRECTORY]   (default: syntaxes/ beside this file)

const fs = require('fs');
const path = require('path');

const source = path.join(__dirname, '..', 'kelvo.tmLanguage.json');
const directory = process.argv[2] ? path.resolve(process.argv[2]) : path.join(__dirname, 'syntaxes');
fs.mkdirSync(directory, { recursive: true });
fs.copyFileSync(source, path.join(directory, 'kelvo.tmLanguage.json'));
