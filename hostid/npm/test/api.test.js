// The package's own calls: the identifiers veskid publishes, computed from
// their bytes; what each call refuses; the browser entry point's encode.
import { test } from 'node:test';
import assert from 'node:assert/strict';

import * as node from '../node.js';
import * as browser from '../index.js';

test('encode gives the published identifiers of each kind', () => {
  assert.equal(node.encode(1, [10, 0, 0, 1]), 'LFTYK-6QHYC-4FL4Q-Y7SJU');
  assert.equal(node.encode(2, Uint8Array.of(2, 0, 0, 0, 0, 1)), 'TZ38D-4U9R4-8BY5S-NH4HW');
  assert.equal(node.encode(4, [0x78, 0x56, 0x34, 0x12]), 'MTQDV-9FLM9-88N4U-S8J97');
  // Every Debian host's name resolves to 127.0.1.1: one I shared by all.
  assert.equal(node.encode(1, [127, 0, 1, 1]), 'UUJGR-EPE7T-L3R2F-8MN3B');
  // A kind without a source of its own takes any length, and checks as its kind.
  const other = node.encode(9, []);
  assert.deepEqual(node.checkText(other), { valid: true, kind: 9, letter: 'U', text: other });
});

test('encode refuses a length its kind does not take, and a kind that is no integer', () => {
  assert.throws(() => node.encode(2, [1, 2, 3, 4]), RangeError);
  assert.throws(() => node.encode(1, [1, 2, 3, 4, 5]), RangeError);
  assert.throws(() => node.encode(1.5, [1, 2, 3, 4]), RangeError);
  assert.throws(() => node.encode(2 ** 31, []), RangeError);
});

test('the browser entry point has no MD5: encode says so, encodeWith takes one', () => {
  assert.throws(() => browser.encode(1, [10, 0, 0, 1]), /Node\.js/);
  // a digest of zeros gives the text of zeros with the kind's check characters
  const zeros = browser.encodeWith(() => new Uint8Array(16), 1, [0, 0, 0, 0]);
  assert.equal(zeros, 'AAAAB-AAAAB-AAAAB-AAAAB');
  assert.throws(() => browser.encodeWith(() => new Uint8Array(15), 1, [0, 0, 0, 0]), TypeError);
});

test('checkText and checkLines take strings only', () => {
  for (const bad of [undefined, null, 42, ['M:'], new Uint8Array(3)]) {
    assert.throws(() => node.checkText(bad), TypeError);
    assert.throws(() => node.checkLines(bad), TypeError);
  }
});

test('positions count UTF-16 units, after characters of any width', () => {
  // Four units of astral characters before the line: its start is 5, not 9 bytes.
  const block = '\u{1F600}\u{1F600}\nM:TZ38D\u00a04U9R4-8BY5S-NH4HW';
  const [first, second] = node.checkLines(block);
  assert.equal(first.start, 0);
  assert.equal(first.end, 4);
  assert.equal(second.start, 5);
  assert.equal(second.fault, 'character');
  assert.equal(block[second.start + second.position], '\u00a0');
  // A lone surrogate is a character like any other outside ASCII.
  const lone = node.checkText('TZ38D-4U9R4-8BY5S-NH4H\ud800');
  assert.equal(lone.fault, 'character');
  assert.equal(lone.position, 22);
});

test('a long block is read whole, the memory grown for it', () => {
  const line = 'M:TZ38D-4U9R4-8BY5S-NH4HW\r\n';
  const results = node.checkLines(line.repeat(20000));
  assert.equal(results.length, 20000);
  assert.ok(results.every((r) => r.valid && r.text === 'TZ38D-4U9R4-8BY5S-NH4HW'));
  assert.equal(results[19999].start, 19999 * line.length);
});

test('letters, descriptions and faults come from the library', () => {
  assert.deepEqual([1, 2, 3, 4, 5, 0, 6, -1].map(node.letter).join(''), 'IMCHLUUU');
  assert.equal(node.describeKind(4), "the volume's serial number");
  assert.equal(node.describeKind(2), "a network adapter's address");
  assert.equal(node.FAULTS[node.checkText('').fault === 'empty' ? 2 : -1], 'empty');
  assert.equal(node.checkText(' \t').message, 'The identifier is empty.');
});
