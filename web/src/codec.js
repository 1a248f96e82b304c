// A file's bytes shown as text, and the text turned back into the same bytes.
//
// decode() reads the bytes one unit at a time: a character of the encoding
// becomes that character, and any other byte becomes a stand-in of its own,
// the lone surrogate U+DC00 + byte, which no valid text can hold. encode()
// works character by character, so encode(decode(bytes)) is `bytes` for any
// bytes at all, and an edit changes only the bytes of the text it touches.
// Line ends are characters too: a CR stays a CR.

export const UTF8 = 'utf-8';
export const SJIS = 'shift_jis';

const RAW = 0xdc00;
const isRaw = (c) => c >= RAW && c <= RAW + 0xff;
const RAW_CHARS = /[\udc00-\udcff]/u;  // with 'u', never half of a pair

/// The stand-in shown for byte `b`, and the byte a stand-in stands for.
export const rawChar = (b) => String.fromCharCode(RAW + b);
export const rawByte = (c) => (isRaw(c) ? c - RAW : -1);

// Char codes to a string, in slices small enough for fromCharCode.
function joinCodes(codes, n) {
  let s = '';
  for (let i = 0; i < n; i += 8192) {
    s += String.fromCharCode.apply(null, codes.subarray(i, Math.min(n, i + 8192)));
  }
  return s;
}

function isAscii(bytes) {
  for (let i = 0; i < bytes.length; ++i) if (bytes[i] >= 0x80) return false;
  return true;
}

// ---- UTF-8

function decodeUtf8(bytes) {
  try {
    return new TextDecoder(UTF8, { fatal: true, ignoreBOM: true }).decode(bytes);
  } catch (e) {
    // Some bytes are no UTF-8: take the valid sequences, and a stand-in
    // for each byte of the rest.
  }
  const codes = new Uint16Array(bytes.length);
  let n = 0;
  for (let i = 0; i < bytes.length;) {
    const b = bytes[i];
    if (b < 0x80) {
      codes[n++] = b;
      ++i;
      continue;
    }
    const need = b >= 0xc2 && b <= 0xdf ? 1 : b >= 0xe0 && b <= 0xef ? 2 : b >= 0xf0 && b <= 0xf4 ? 3 : 0;
    // The second byte's range is narrower after E0, ED, F0 and F4: no
    // overlong forms, no surrogates, nothing past U+10FFFF.
    const lo = b === 0xe0 ? 0xa0 : b === 0xf0 ? 0x90 : 0x80;
    const hi = b === 0xed ? 0x9f : b === 0xf4 ? 0x8f : 0xbf;
    let ok = need > 0 && i + need < bytes.length;
    if (ok) ok = bytes[i + 1] >= lo && bytes[i + 1] <= hi;
    for (let k = 2; ok && k <= need; ++k) ok = bytes[i + k] >= 0x80 && bytes[i + k] <= 0xbf;
    if (!ok) {
      codes[n++] = RAW + b;
      ++i;
      continue;
    }
    let cp = b & (0x3f >> need);
    for (let k = 1; k <= need; ++k) cp = (cp << 6) | (bytes[i + k] & 0x3f);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      codes[n++] = 0xd800 + (cp >> 10);
      codes[n++] = 0xdc00 + (cp & 0x3ff);
    } else {
      codes[n++] = cp;
    }
    i += need + 1;
  }
  return joinCodes(codes, n);
}

// The UTF-8 of a whole code point, or null for a lone surrogate.
function utf8Length(text, i) {
  const c = text.charCodeAt(i);
  if (c < 0x80) return 1;
  if (c < 0x800) return 2;
  if (c >= 0xd800 && c <= 0xdbff) {
    const d = text.charCodeAt(i + 1);
    return d >= 0xdc00 && d <= 0xdfff ? 4 : null;
  }
  if (c >= 0xdc00 && c <= 0xdfff) return isRaw(c) ? 1 : null;
  return 3;
}

// ---- Shift-JIS, from the browser's own decoder: every two-byte code is
// decoded once, and the encoder is that table turned round. Where several
// codes give one character, the one that Windows writes is the character's
// code (the first, leaving out rows ED and EE); the others are shown byte by
// byte, so they too come back as they were.

let sjis = null;

function sjisTables() {
  if (sjis) return sjis;
  const single = new Int32Array(256).fill(-1);  // byte -> char code
  const decoder = new TextDecoder(SJIS);
  for (let b = 0; b < 256; ++b) {
    const s = decoder.decode(Uint8Array.of(b));
    if (s.length === 1 && s !== '\ufffd') single[b] = s.charCodeAt(0);
  }
  // Every lead byte with every trail byte, a newline after each pair.
  const leads = [], trails = [];
  for (let b = 0x81; b <= 0xfc; ++b) if (b <= 0x9f || b >= 0xe0) leads.push(b);
  for (let b = 0x40; b <= 0xfc; ++b) if (b !== 0x7f) trails.push(b);
  const all = new Uint8Array(leads.length * trails.length * 3);
  let at = 0;
  for (const l of leads) for (const t of trails) all.set([l, t, 0x0a], at), at += 3;
  const parts = decoder.decode(all).split('\n');
  const pair = new Uint16Array(65536);    // lead << 8 | trail -> char code
  const encode = new Uint16Array(65536);  // char code -> its two-byte code
  at = 0;
  for (const l of leads) {
    for (const t of trails) {
      const s = parts[at++];
      if (s.length !== 1 || s === '\ufffd') continue;
      pair[(l << 8) | t] = s.charCodeAt(0);
    }
  }
  const prefer = (code) => (code >> 8 !== 0xed && code >> 8 !== 0xee ? 0 : 1);
  for (const order of [0, 1]) {
    for (let code = 0; code < 65536; ++code) {
      const c = pair[code];
      if (c && prefer(code) === order && !encode[c]) encode[c] = code;
    }
  }
  const singleOf = new Int32Array(65536).fill(-1);  // char code -> byte
  for (let b = 0; b < 256; ++b) {
    if (single[b] < 0) continue;
    if (singleOf[single[b]] < 0) singleOf[single[b]] = b;
    else single[b] = -1;  // a second byte for one character: shown as itself
  }
  let ascii = true;
  for (let b = 0; b < 0x80; ++b) ascii = ascii && single[b] === b;
  sjis = { single, singleOf, pair, encode, ascii };
  return sjis;
}

function decodeSjis(bytes) {
  const { single, singleOf, pair, encode, ascii } = sjisTables();
  if (ascii && isAscii(bytes)) return new TextDecoder('latin1').decode(bytes);
  const codes = new Uint16Array(bytes.length);
  let n = 0;
  for (let i = 0; i < bytes.length;) {
    const b = bytes[i];
    if (single[b] >= 0) {
      codes[n++] = single[b];
      ++i;
      continue;
    }
    if (i + 1 < bytes.length) {
      const code = (b << 8) | bytes[i + 1];
      const c = pair[code];
      if (c && singleOf[c] < 0 && encode[c] === code) {
        codes[n++] = c;
        i += 2;
        continue;
      }
    }
    codes[n++] = RAW + b;
    ++i;
  }
  return joinCodes(codes, n);
}

// Bytes of the character at text[i] in Shift-JIS: 1, 2, or null if it has none.
function sjisLength(text, i) {
  const c = text.charCodeAt(i);
  const t = sjisTables();
  if (isRaw(c) || t.singleOf[c] >= 0) return 1;
  return t.encode[c] ? 2 : null;
}

// ---- The interface

/// The text that shows `bytes` in `encoding` (UTF8 or SJIS).
export function decode(bytes, encoding) {
  return encoding === SJIS ? decodeSjis(bytes) : decodeUtf8(bytes);
}

/// The bytes of `text` in `encoding`. Characters the encoding lacks (see
/// unencodable) become nothing; callers refuse them before.
export function encode(text, encoding) {
  if (encoding === UTF8) {
    if (!RAW_CHARS.test(text)) return new TextEncoder().encode(text);
    const out = new Uint8Array(text.length * 3);
    let n = 0, from = 0;
    const utf8 = new TextEncoder();
    for (let i = 0; i <= text.length; ++i) {
      const c = i < text.length ? text.charCodeAt(i) : -1;
      const raw = isRaw(c) && !(i > 0 && text.charCodeAt(i - 1) >= 0xd800 && text.charCodeAt(i - 1) <= 0xdbff);
      if (c !== -1 && !raw) continue;
      n += utf8.encodeInto(text.slice(from, i), out.subarray(n)).written;
      if (raw) out[n++] = c - RAW;
      from = i + 1;
    }
    return out.slice(0, n);
  }
  const t = sjisTables();
  const out = new Uint8Array(text.length * 2);
  let n = 0;
  for (let i = 0; i < text.length; ++i) {
    const c = text.charCodeAt(i);
    if (t.singleOf[c] >= 0) out[n++] = t.singleOf[c];
    else if (isRaw(c)) out[n++] = c - RAW;
    else if (t.encode[c]) out[n++] = t.encode[c] >> 8, out[n++] = t.encode[c] & 0xff;
  }
  return out.slice(0, n);
}

/// The first character of `text` that `encoding` cannot hold, or null.
export function unencodable(text, encoding) {
  const length = encoding === SJIS ? sjisLength : utf8Length;
  for (let i = 0; i < text.length; ++i) {
    const size = length(text, i);
    if (size === null) return String.fromCodePoint(text.codePointAt(i));
    if (size === 4) ++i;
  }
  return null;
}

/// How many characters of `text` its first `bytes` bytes in `encoding` make.
export function charsInBytes(text, bytes, encoding) {
  const length = encoding === SJIS ? sjisLength : utf8Length;
  let i = 0;
  for (let used = 0; i < text.length && used < bytes; ++i) {
    const size = length(text, i) || 1;
    used += size;
    if (size === 4) ++i;
  }
  return i;
}

/// UTF8 if the bytes are valid UTF-8, plain ASCII included; SJIS otherwise.
export function detect(bytes) {
  try {
    new TextDecoder(UTF8, { fatal: true }).decode(bytes);
    return UTF8;
  } catch (e) {
    return SJIS;
  }
}

/// The line ends of `bytes`: how many of each, and the one most lines use,
/// which new text is written with ("\n" where there are none).
export function lineEnds(bytes) {
  const count = { '\r\n': 0, '\n': 0, '\r': 0 };
  for (let i = 0; i < bytes.length; ++i) {
    if (bytes[i] === 0x0a) ++count['\n'];
    else if (bytes[i] === 0x0d) {
      if (bytes[i + 1] === 0x0a) ++count['\r\n'], ++i;
      else ++count['\r'];
    }
  }
  let style = '\n';
  for (const end of ['\r\n', '\r']) if (count[end] > count[style]) style = end;
  return { count, style };
}

/// What a line end is called on the page.
export const lineEndName = (end) => ({ '\r\n': 'CR LF', '\n': 'LF', '\r': 'CR' })[end];

/// True if the bytes start with UTF-8's byte-order mark.
export const hasByteOrderMark = (bytes) =>
  bytes.length >= 3 && bytes[0] === 0xef && bytes[1] === 0xbb && bytes[2] === 0xbf;
