// vesk-hostid: the identifier checker of veskid's library, compiled to
// WebAssembly, for browsers and Node.js.  Every answer comes from the C
// checker itself; this file only moves a JavaScript string into the
// module's memory and its answer out, and counts positions as JavaScript
// does (UTF-16 code units) rather than in the UTF-8 bytes the checker reads.
import { checkerWasm } from './checker.wasm.js';

/** The faults, by the checker's numbers. */
export const FAULTS = Object.freeze([
  'none', 'null', 'empty', 'nul', 'prefix', 'length', 'dash', 'confusable', 'character',
  'check', 'prefixKind',
]);

const ANSWER_SIZE = 52; // seven 32-bit words and the text with its NUL
const PAGE = 65536;

let module = null;

function checker() {
  if (module === null) {
    const base64 = checkerWasm;
    const binary = atob(base64);
    const bytes = new Uint8Array(binary.length);
    for (let i = 0; i < binary.length; i++) {
      bytes[i] = binary.charCodeAt(i);
    }
    module = new WebAssembly.Instance(new WebAssembly.Module(bytes), {}).exports;
  }
  return module;
}

// The UTF-8 bytes of a string, and the UTF-16 index at which each byte's
// character begins (one more entry for the end).  A lone surrogate, which
// UTF-8 cannot hold, is written as U+FFFD, as TextEncoder writes it.
function utf8(text) {
  const bytes = [];
  const unitOf = [];
  for (let i = 0; i < text.length; i++) {
    let c = text.charCodeAt(i);
    const start = i;
    if (c >= 0xd800 && c <= 0xdbff && i + 1 < text.length) {
      const low = text.charCodeAt(i + 1);
      if (low >= 0xdc00 && low <= 0xdfff) {
        c = 0x10000 + ((c - 0xd800) << 10) + (low - 0xdc00);
        i++;
      }
    }
    if (c >= 0xd800 && c <= 0xdfff) {
      c = 0xfffd;
    }
    let encoded;
    if (c < 0x80) {
      encoded = [c];
    } else if (c < 0x800) {
      encoded = [0xc0 | (c >> 6), 0x80 | (c & 0x3f)];
    } else if (c < 0x10000) {
      encoded = [0xe0 | (c >> 12), 0x80 | ((c >> 6) & 0x3f), 0x80 | (c & 0x3f)];
    } else {
      encoded = [0xf0 | (c >> 18), 0x80 | ((c >> 12) & 0x3f), 0x80 | ((c >> 6) & 0x3f),
        0x80 | (c & 0x3f)];
    }
    for (const b of encoded) {
      bytes.push(b);
      unitOf.push(start);
    }
  }
  unitOf.push(text.length);
  return { bytes: Uint8Array.from(bytes), unitOf };
}

// The module's memory with room for size bytes past its heap: where they go.
function room(wasm, size) {
  const base = wasm.heap();
  const needed = base + size - wasm.memory.buffer.byteLength;
  if (needed > 0) {
    wasm.memory.grow(Math.ceil(needed / PAGE));
  }
  return base;
}

function cString(wasm, at) {
  const memory = new Uint8Array(wasm.memory.buffer);
  let end = at;
  while (memory[end] !== 0) {
    end++;
  }
  let text = '';
  for (let i = at; i < end; i++) {
    text += String.fromCharCode(memory[i]);
  }
  return text;
}

// The checker's answer at answer, for the text that began at byte start;
// positions in UTF-16 units from unitStart.
function readAnswer(wasm, answer, unitOf, start, unitStart) {
  const words = new Int32Array(wasm.memory.buffer, answer, 7);
  const [status, fault, group, position, kind, letter] = words;
  if (status === 0) {
    const text = cString(wasm, answer + 28);
    return { valid: true, kind, letter: String.fromCharCode(letter), text };
  }
  return {
    valid: false,
    fault: FAULTS[fault] ?? 'unknown',
    message: cString(wasm, wasm.faultMessage(fault)),
    group,
    position: unitOf[Math.min(start + position, unitOf.length - 1)] - unitStart,
  };
}

// The bytes in the module's memory, and room for an answer after them:
// their offsets.
function load(wasm, bytes) {
  const input = room(wasm, bytes.length + 4 + ANSWER_SIZE);
  new Uint8Array(wasm.memory.buffer).set(bytes, input);
  return { input, answer: input + ((bytes.length + 3) & ~3) };
}

function stringArgument(text, name) {
  if (typeof text !== 'string') {
    throw new TypeError(`${name} must be a string`);
  }
}

/**
 * Checks an identifier as a person typed or pasted it: blanks around it,
 * lower case and veskid's "X:" prefix are taken.
 */
export function checkText(text) {
  stringArgument(text, 'text');
  const wasm = checker();
  const { bytes, unitOf } = utf8(text);
  const { input, answer } = load(wasm, bytes);
  wasm.check(input, bytes.length, answer);
  return readAnswer(wasm, answer, unitOf, 0, 0);
}

/**
 * Checks each line of a pasted block (what `veskid allid` printed): one
 * result for each line that is not blank, with its number (from 1) and
 * where it begins and ends in the block.
 */
export function checkLines(block) {
  stringArgument(block, 'block');
  const wasm = checker();
  const { bytes, unitOf } = utf8(block);
  const { input, answer } = load(wasm, bytes);
  const end = wasm.blockEnd(input, bytes.length);
  const results = [];
  for (let start = 0, number = 1; ; number++) {
    const stop = wasm.lineEnd(input, end, start);
    if (!wasm.lineIsBlank(input + start, stop - start)) {
      wasm.check(input + start, stop - start, answer);
      results.push({
        line: number,
        start: unitOf[start],
        end: unitOf[stop],
        ...readAnswer(wasm, answer, unitOf, start, unitOf[start]),
      });
    }
    if (stop >= end) {
      return results;
    }
    start = stop + 1;
  }
}

/** The letter veskid prints for a kind: I, M, C, H, L, else U. */
export function letter(kind) {
  return String.fromCharCode(checker().letter(kind | 0));
}

/** What a kind's identifiers are, for a person: "the volume's serial number"... */
export function describeKind(kind) {
  const wasm = checker();
  return cString(wasm, wasm.kindDescription(kind | 0));
}

// The text of raw bytes of a kind, given their MD5: shared by the Node.js
// entry point, which has an MD5.
export function encodeWith(md5, kind, raw) {
  if (!Number.isInteger(kind) || kind < -0x80000000 || kind > 0x7fffffff) {
    throw new RangeError('kind must be a 32-bit integer');
  }
  const bytes = raw instanceof Uint8Array ? raw : Uint8Array.from(raw);
  const wasm = checker();
  const wanted = wasm.rawLength(kind);
  if (wanted >= 0 && bytes.length !== wanted) {
    throw new RangeError(`an identifier of kind ${kind} is made of ${wanted} bytes, not ${bytes.length}`);
  }
  const message = new Uint8Array(bytes.length + 4);
  message.set(bytes);
  new DataView(message.buffer).setInt32(bytes.length, kind, true);
  const digest = md5(message);
  if (!(digest instanceof Uint8Array) || digest.length !== 16) {
    throw new TypeError('md5 must give 16 bytes');
  }
  const at = room(wasm, 16 + 24);
  new Uint8Array(wasm.memory.buffer).set(digest, at);
  wasm.encodeDigest(at, kind, at + 16);
  return cString(wasm, at + 16);
}

/**
 * The identifier of raw bytes of a kind, as veskid writes it.  Needs an
 * MD5, which browsers do not have: in Node.js this package's entry point
 * gives one (Node's own crypto); here it throws.
 */
export function encode(kind, raw) {
  void kind;
  void raw;
  throw new Error('encode needs Node.js: its MD5 comes from node:crypto, and browsers have none');
}
