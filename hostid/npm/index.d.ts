/** The checker's faults, by name. */
export type Fault =
  | 'none' | 'null' | 'empty' | 'nul' | 'prefix' | 'length' | 'dash' | 'confusable'
  | 'character' | 'check' | 'prefixKind';

/** A well-formed identifier. */
export interface Accepted {
  valid: true;
  /** The kind its check characters give (0 to 31): 1 I, 2 M, 4 H... */
  kind: number;
  /** veskid's letter for the kind. */
  letter: string;
  /** The 23 characters in capitals, without the letter. */
  text: string;
}

/** A text that is not an identifier, and why. */
export interface Refused {
  valid: false;
  fault: Fault;
  /** The checker's sentence for the fault. */
  message: string;
  /** The group at fault, 1 to 4; 0 when no one group is. */
  group: number;
  /** Where the character at fault is, in UTF-16 code units from the text's start. */
  position: number;
}

export type CheckResult = Accepted | Refused;

/** One line of a pasted block that is not blank. */
export type LineResult = CheckResult & {
  /** The line's number in the block, from 1. */
  line: number;
  /** Where the line begins and ends in the block (UTF-16 code units). */
  start: number;
  end: number;
};

export const FAULTS: readonly Fault[];

/** Checks an identifier as typed or pasted: blanks, lower case and the "X:" prefix are taken. */
export function checkText(text: string): CheckResult;

/** Checks each line of a block as veskid printed it; blank lines give no result. */
export function checkLines(block: string): LineResult[];

/** veskid's letter for a kind: I, M, C, H, L, else U. */
export function letter(kind: number): string;

/** What a kind's identifiers are, for a person. */
export function describeKind(kind: number): string;

/**
 * The identifier (23 characters) of raw bytes of a kind, with a given MD5
 * (bytes in, 16 bytes out): for a browser that brings its own.
 */
export function encodeWith(md5: (bytes: Uint8Array) => Uint8Array, kind: number,
  raw: Uint8Array | ArrayLike<number>): string;

/**
 * The identifier (23 characters) of raw bytes of a kind, as veskid writes it.
 * In Node.js, with Node's MD5; in a browser it throws.
 */
export function encode(kind: number, raw: Uint8Array | ArrayLike<number>): string;
