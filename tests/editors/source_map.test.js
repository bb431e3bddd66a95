'use strict';
// The source maps that `kelvo --source-map` writes, read with the
// `source-map` package as tools that read source maps do, against the maps
// written by hand in tests/source_maps/; and `kelvo --locate`, which must
// lead every host line of the examples back to the source line that wrote it.

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { spawnSync } = require('child_process');
const { SourceMapConsumer } = require('source-map');

const ROOT = path.resolve(__dirname, '..', '..');
const KELVO = process.env.KELVO_TOOL;

// Escapes of the data file: \r, \xHH, \\ and \rep{N,TEXT}.
function unescape(text) {
  const bytes = [];
  const expanded = text.replace(/\\rep\{(\d+),([^}]*)\}/g, (_, n, what) => what.repeat(Number(n)));
  for (let i = 0; i < expanded.length; i += 1) {
    if (expanded[i] !== '\\') {
      bytes.push(...Buffer.from(expanded[i], 'utf8'));
    } else if (expanded[i + 1] === 'r') {
      bytes.push(13);
      i += 1;
    } else if (expanded[i + 1] === 'x') {
      bytes.push(parseInt(expanded.slice(i + 2, i + 4), 16));
      i += 3;
    } else {
      bytes.push(expanded.charCodeAt(i + 1));
      i += 1;
    }
  }
  return Buffer.from(bytes);
}

function readCases(file) {
  const cases = [];
  let current;
  let block;
  for (const line of fs.readFileSync(file, 'utf8').split('\n')) {
    if (line.startsWith('case ')) {
      current = { name: line.slice(5), source: [], host: [] };
      cases.push(current);
      block = undefined;
    } else if (line === 'source' || line === 'map') {
      block = line;
    } else if (block === 'source') {
      current.source.push(Buffer.concat([unescape(line), Buffer.from('\n')]));
    } else if (line.startsWith('#') || (line === '' && block !== 'source')) {
      // a comment, or the blank line between cases
    } else if (line.startsWith('host')) {
      current.host.push({ text: unescape(line.slice(5)), segments: [] });
    } else {
      const [column, place, name] = line.trim().split(' ');
      const segment = { column: Number(column), line: null, originalColumn: null, name: null };
      if (place !== '-') {
        const [l, c] = place.split(':').map(Number);
        Object.assign(segment, { line: l, originalColumn: c, name: name || null });
      }
      current.host[current.host.length - 1].segments.push(segment);
    }
  }
  return cases.map((c) => ({ ...c, source: Buffer.concat(c.source) }));
}

function kelvo(args, options = {}) {
  const run = spawnSync(KELVO, args, { encoding: 'utf8', ...options });
  if (run.error) throw run.error;
  return run;
}

const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'kelvo-source-map-'));
test.after(() => fs.rmSync(scratch, { recursive: true, force: true }));

test('the kelvo tool is named', () => {
  assert.ok(KELVO && fs.existsSync(KELVO), 'KELVO_TOOL names the kelvo program');
});

test.describe('maps written by hand, read with the source-map package', () => {
  const cases = readCases(path.join(ROOT, 'tests', 'source_maps', 'constructs.txt'));
  cases.forEach((c, index) => {
    test(c.name, async () => {
      const source = path.join(scratch, `case${index}.kelvo`);
      const host = path.join(scratch, `case${index}.txt`);
      const map = path.join(scratch, `case${index}.map`);
      fs.writeFileSync(source, c.source);
      kelvo([source, '-q', '-o', host, '--source-map', map]);

      const lines = c.host.map((h) => Buffer.concat([h.text, Buffer.from('\n')]));
      assert.deepEqual(fs.readFileSync(host), Buffer.concat(lines), 'the host text');

      const raw = JSON.parse(fs.readFileSync(map, 'utf8'));
      assert.equal(raw.version, 3);
      assert.equal(raw.file, path.basename(host));
      assert.deepEqual(raw.sources, [path.basename(source)]);
      assert.equal(raw.sourcesContent.length, 1);
      const consumer = await new SourceMapConsumer(raw);
      try {
        const found = c.host.map(() => []);
        consumer.eachMapping((m) => {
          found[m.generatedLine - 1].push({
            column: m.generatedColumn, line: m.originalLine, originalColumn: m.originalColumn, name: m.name,
          });
        });
        c.host.forEach((h, i) => {
          assert.deepEqual(found[i], h.segments, `the segments of host line ${i + 1}: ${h.text}`);
          // Every column: what the last segment at or before it says.
          const width = h.text.toString('utf8').length;
          for (let column = 0; column <= width; column += 1) {
            const last = h.segments.filter((s) => s.column <= column).pop();
            const answer = consumer.originalPositionFor({ line: i + 1, column, bias: SourceMapConsumer.GREATEST_LOWER_BOUND });
            const expected = last && last.line !== null ? [last.line, last.originalColumn] : [null, null];
            assert.deepEqual([answer.line, answer.column], expected, `host line ${i + 1}, column ${column}`);
          }
        });
      } finally {
        consumer.destroy();
      }
    });
  });
});

// --locate N for every host line of an example: the source line that the
// analysis says wrote it; a prologue line leads to its function line, the
// closing quote of a body to no line at all. SCRIPT:K leads where the host
// line of the body's line K does.
test.describe('kelvo --locate leads every host line of the examples back', () => {
  const examples = fs.readdirSync(path.join(ROOT, 'examples')).filter((f) => f.endsWith('.kelvo'));
  for (const example of examples) {
    test(example, () => {
      const file = path.join(ROOT, 'examples', example);
      const analysis = JSON.parse(kelvo(['--analysis', file]).stdout);
      const host = analysis.host;
      const lineOf = (offset) => host.slice(0, offset).split('\n').length;
      const written = new Map();
      for (const line of analysis.lines) {
        const begin = line.host && line.host.resultBegin;
        if (line.host && (begin === 0 || host[begin - 1] === '\n')) written.set(lineOf(begin), line.line);
      }
      const source = fs.readFileSync(file, 'utf8').split('\n');
      const hostLines = host.split('\n').slice(0, -1);
      const located = (where) => {
        const run = kelvo(['--locate', where, '--no-show-source', file]);
        const match = /^.*:(\d+):(\d+): note: /.exec(run.stdout);
        return { status: run.status, line: match ? Number(match[1]) : null, text: run.stdout };
      };
      const byHostLine = [];
      hostLines.forEach((text, i) => {
        const got = located(String(i + 1));
        byHostLine.push(got);
        if (written.has(i + 1)) {
          assert.equal(got.line, written.get(i + 1), `host line ${i + 1} (${text}): ${got.text}`);
          assert.equal(got.status, 0);
        } else if (text === "'") {
          assert.equal(got.status, 1, `host line ${i + 1} closes a body: ${got.text}`);
          assert.match(got.text, /comes from no source line/);
        } else {
          assert.match(source[got.line - 1], /^\s*function /, `host line ${i + 1} (${text}): ${got.text}`);
        }
      });
      for (const d of analysis.definitions) {
        const first = lineOf(d.resultBegin);
        const bodyLines = host.slice(d.resultBegin, d.resultBegin + d.body).split('\n').length - 1;
        for (let k = 1; k <= bodyLines; k += 1) {
          const got = located(`${d.name}:${k}`);
          // The body's first line shares its host line with name='.
          const same = k === 1 ? located(`${first}:${Buffer.byteLength(d.name) + 3}`) : byHostLine[first + k - 2];
          assert.equal(got.line, same.line, `line ${k} of script ${d.name}`);
        }
      }
    });
  }
});
