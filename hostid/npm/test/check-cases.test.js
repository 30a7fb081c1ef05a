// The checker's cases of tests/data/check-cases.tsv, which the C tests read
// too: every text and every pasted block answered as the file says.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';

import { checkLines, checkText } from '../node.js';

const file = process.env.VESK_CHECK_CASES;
assert.ok(file, 'VESK_CHECK_CASES names the cases file (tests/data/check-cases.tsv)');
const rows = readFileSync(file, 'utf8').split('\n')
  .filter((line) => line !== '' && !line.startsWith('#'))
  .map((line) => line.split('\t'));

// The file's escapes; null for an input with a raw byte (\xHH), which no
// JavaScript string holds.
function decode(field) {
  if (/\\x[0-9A-Fa-f]{2}/.test(field)) {
    return null;
  }
  return field.replace(/\\(u\{([0-9A-Fa-f]+)\}|u([0-9A-Fa-f]{4})|.)/g, (all, e, astral, bmp) => {
    if (astral || bmp) return String.fromCodePoint(parseInt(astral || bmp, 16));
    return { t: '\t', n: '\n', r: '\r', 0: '\0', '\\': '\\' }[e] ?? e;
  });
}

function answer(result) {
  return result.valid ? `${result.letter}:${result.text}`
    : `${result.fault},${result.group},${result.position}`;
}

const texts = rows.filter((r) => r[0] === 'check');
const blocks = rows.filter((r) => r[0] === 'lines');
assert.ok(texts.length > 50 && blocks.length > 5, 'the file holds its cases');

test('each text is answered as the file says', () => {
  let checked = 0;
  for (const [, name, input, fault, group, position, accepted] of texts) {
    const text = decode(input);
    if (text === null) continue;
    const result = checkText(text);
    const expected = fault === 'none' ? accepted : `${fault},${group},${position}`;
    assert.equal(answer(result), expected, name);
    if (!result.valid) {
      assert.match(result.message, /\.$/, name);
    }
    checked++;
  }
  // Only the raw-byte cases are the C tests' alone.
  assert.equal(checked, texts.filter((r) => !/\\x/.test(r[2])).length);
  assert.ok(checked >= texts.length - 10);
});

test('each pasted block is read line by line as the file says', () => {
  for (const [, name, block, expect] of blocks) {
    const expected = expect ? expect.split(' ') : [];
    const got = checkLines(decode(block)).map((r) => `${r.line},${r.start}=${answer(r)}`);
    assert.deepEqual(got, expected, name);
  }
});
