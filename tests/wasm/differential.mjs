// The WebAssembly checker against the native library, on random and
// near-miss inputs: every answer must be the same.
//   node tests/wasm/differential.mjs ORACLE PACKAGE_DIR [COUNT] [SEED]
// ORACLE is tests/check_oracle of a native build; PACKAGE_DIR a built
// package (build/wasm/package).  Each input's bytes go to the module's own
// check, as the native one gets them; an input that is valid UTF-8 goes to
// the package's checkText as well, whose position must be the native byte
// position counted in UTF-16 units.  One input in eight is an encoding
// instead: random bytes of a kind, the package's encode (Node's MD5) against
// the native one.  Prints the counts; exits 1 on the first differences
// (up to ten shown).
import { spawn } from 'node:child_process';
import { createInterface } from 'node:readline';
import { pathToFileURL } from 'node:url';

const [oracle, packageDir, countText = '1000000', seedText = '20261210'] = process.argv.slice(2);
if (!oracle || !packageDir) {
  console.error('usage: differential.mjs ORACLE PACKAGE_DIR [COUNT] [SEED]');
  process.exit(2);
}
const api = await import(pathToFileURL(`${packageDir}/node.js`));
const { checkerWasm } = await import(pathToFileURL(`${packageDir}/checker.wasm.js`));
const wasm = new WebAssembly.Instance(
  new WebAssembly.Module(Buffer.from(checkerWasm, 'base64')), {}).exports;

// xorshift64*: the same inputs for the same seed.
let state = BigInt(seedText) | 1n;
function next() {
  state ^= state >> 12n;
  state ^= (state << 25n) & 0xffffffffffffffffn;
  state ^= state >> 27n;
  return Number(((state * 0x2545f4914f6cdd1dn) & 0xffffffffffffffffn) >> 32n);
}
const below = (n) => next() % n;
const pick = (list) => list[below(list.length)];

const ALPHABET = 'ABCDEFGHJKLMNPQRSTUVWXYZ23456789';
const enc = new TextEncoder();
const ODD = ['\u00a0', '\ufeff', '\u2013', '\u0410', '\uff21', '\u{1f600}', '\u200b', '\u00e9']
  .map((c) => [...enc.encode(c)]);
const BYTES = [...enc.encode(ALPHABET + ALPHABET.toLowerCase() + '-- \t\r\n:01IOio#HMIUXC')];

// A valid text of a kind, from a random digest, by the module's encoder.
function validText(kind) {
  const base = wasm.heap();
  const memory = new Uint8Array(wasm.memory.buffer);
  for (let i = 0; i < 16; i++) memory[base + i] = below(256);
  wasm.encodeDigest(base, kind, base + 16);
  return [...memory.slice(base + 16, base + 39)];
}

function mutate(bytes) {
  const b = bytes.slice();
  const at = () => below(b.length + 1);
  switch (below(12)) {
    case 0: if (b.length) b[below(b.length)] = pick(BYTES); break;
    case 1: { const i = below(Math.max(b.length - 1, 1)); [b[i], b[i + 1]] = [b[i + 1], b[i]]; break; }
    case 2: b.splice(below(b.length || 1), 1); break;
    case 3: b.splice(at(), 0, pick(BYTES)); break;
    case 4: { const i = below(b.length || 1); if (b[i] >= 65 && b[i] <= 90) b[i] += 32; break; }
    case 5: b.splice(at(), below(2), ...pick(ODD)); break;
    case 6: b.unshift(...enc.encode(pick(['M:', 'H:', 'I:', 'U:', 'X:', 'm:', 'C:', 'L:']))); break;
    case 7: b.unshift(...enc.encode(pick([' ', '\t', '\r\n', '  ']))); b.push(...enc.encode(pick([' ', '\r\n', '\n', '']))); break;
    case 8: b.splice(at(), 0, 0); break;
    case 9: b.splice(at(), 0, below(256)); break;
    case 10: b.splice(below(b.length || 1), 1, ...enc.encode(pick(['0', '1', 'I', 'O']))); break;
    default: break;
  }
  return b;
}

function input() {
  switch (below(4)) {
    case 0: return Array.from({ length: below(34) }, () => (below(6) === 0 ? below(256) : pick(BYTES)));
    default: {
      let b = validText(below(8) === 0 ? below(256) - 128 : pick([1, 2, 4, below(32)]));
      for (let m = below(4); m > 0; m--) b = mutate(b);
      return b;
    }
  }
}

const hex = (bytes) => Buffer.from(bytes).toString('hex');

function wasmCheck(bytes) {
  const base = wasm.heap();
  if (base + bytes.length + 64 > wasm.memory.buffer.byteLength) wasm.memory.grow(1);
  new Uint8Array(wasm.memory.buffer).set(bytes, base);
  const answer = base + ((bytes.length + 3) & ~3);
  wasm.check(base, bytes.length, answer);
  const w = new Int32Array(wasm.memory.buffer, answer, 7);
  const text = w[0] === 0 ? Buffer.from(new Uint8Array(wasm.memory.buffer, answer + 28, 23)).toString('latin1') : '-';
  return `${w[0]} ${w[1]} ${w[2]} ${w[3]} ${w[4]} ${w[5]} ${text}`;
}

// The package's answer in the oracle's words, the position turned back into
// bytes; null where the bytes are not UTF-8.
const strict = new TextDecoder('utf-8', { fatal: true, ignoreBOM: true });
function packageCheck(bytes) {
  let text;
  try { text = strict.decode(Uint8Array.from(bytes)); } catch { return null; }
  const r = api.checkText(text);
  if (r.valid) return `0 0 0 0 ${r.kind} ${r.letter.charCodeAt(0)} ${r.text}`;
  const position = enc.encode(text.slice(0, r.position)).length;
  return `-1 ${api.FAULTS.indexOf(r.fault)} ${r.group} ${position} 0 0 -`;
}

function encodeRequest() {
  const kind = pick([1, 2, 4, below(32), below(0x7fffffff), -below(100)]);
  const wanted = kind === 1 || kind === 4 ? 4 : kind === 2 ? 6 : below(40);
  const length = below(10) === 0 ? below(8) : wanted;
  const raw = Array.from({ length }, () => below(256));
  let mine;
  try { mine = api.encode(kind, raw); } catch (e) { mine = e instanceof RangeError ? '-' : String(e); }
  return { request: `e ${kind} ${hex(raw)}`, mine, what: `encode ${kind} ${hex(raw)}` };
}

const child = spawn(oracle, [], { stdio: ['pipe', 'pipe', 'inherit'] });
const lines = createInterface({ input: child.stdout })[Symbol.asyncIterator]();
const total = Number(countText);
const differences = [];
let checked = 0, viaPackage = 0, encoded = 0, valid = 0;
for (let done = 0; done < total;) {
  const batch = [];
  for (let i = 0; i < 20000 && done < total; i++, done++) {
    if (below(8) === 0) {
      batch.push(encodeRequest());
      encoded++;
    } else {
      const bytes = input();
      batch.push({ request: `c ${hex(bytes)}`, mine: wasmCheck(bytes), other: packageCheck(bytes), what: `check ${hex(bytes)}` });
      checked++;
    }
  }
  child.stdin.write(batch.map((b) => b.request).join('\n') + '\n\n');
  for (const b of batch) {
    const { value: native } = await lines.next();
    if (b.mine !== native) differences.push(`${b.what}: wasm "${b.mine}", native "${native}"`);
    if (b.other != null) {
      viaPackage++;
      if (b.other !== native) differences.push(`${b.what}: package "${b.other}", native "${native}"`);
    }
    if (native.startsWith('0 ')) valid++;
  }
  if (differences.length > 0) break;
}
child.stdin.end();
console.log(`${checked} checks (${valid} well formed, ${viaPackage} also through checkText), ` +
  `${encoded} encodings: ${differences.length} differences`);
for (const d of differences.slice(0, 10)) console.log(`  ${d}`);
process.exit(differences.length === 0 ? 0 : 1);
