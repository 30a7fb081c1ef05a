// vesk-hostid for Node.js: everything of index.js, and encode with Node's
// own MD5 (node:crypto).
import { createHash } from 'node:crypto';
import { encodeWith } from './index.js';

export * from './index.js';

function md5(bytes) {
  return new Uint8Array(createHash('md5').update(bytes).digest());
}

/**
 * The identifier of raw bytes of a kind, as veskid writes it: the 23
 * characters, without the letter (letter(kind) gives it).  The kinds of
 * veskid take their own length: 4 bytes for an IPv4 address (network order,
 * kind 1) and a volume serial (little-endian, kind 4), 6 for an adapter's
 * address (kind 2).
 */
export function encode(kind, raw) {
  return encodeWith(md5, kind, raw);
}
