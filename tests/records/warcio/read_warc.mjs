// Reads a WARC or WET file (gzip per record, or not) with warcio's WARCParser
// and prints one JSON object per record on its own line:
//   {type, version, headers: {WARC headers}, length, digest_ok, payload}
// length is the number of block bytes read; digest_ok compares WARC-Block-Digest
// (sha1 or sha256, base32 or hex) with a digest of those bytes and is null when
// the record has no such header; payload is the whole block decoded as UTF-8.
// This is the test suite's independent reader of what tessark writes: it does no
// checking of its own beyond the digest. Single-threaded script.
import { createReadStream } from "node:fs";
import { createHash } from "node:crypto";
import { WARCParser } from "warcio";

const BASE32 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";

function base32(bytes) {
  let out = "";
  let bits = 0;
  let value = 0;
  for (const byte of bytes) {
    value = (value << 8) | byte;
    bits += 8;
    while (bits >= 5) {
      out += BASE32[(value >>> (bits - 5)) & 31];
      bits -= 5;
    }
  }
  if (bits > 0) out += BASE32[(value << (5 - bits)) & 31];
  while (out.length % 8 !== 0) out += "=";
  return out;
}

function digestMatches(declared, block) {
  const colon = declared.indexOf(":");
  if (colon < 0) return false;
  const algorithm = declared.slice(0, colon).toLowerCase().replace("-", "");
  if (algorithm !== "sha1" && algorithm !== "sha256") return false;
  const value = declared.slice(colon + 1).trim();
  const raw = createHash(algorithm).update(block).digest();
  if (/^[0-9a-f]+$/i.test(value) && value.length === raw.length * 2) {
    return value.toLowerCase() === raw.toString("hex");
  }
  return value.toUpperCase().replace(/=+$/, "") === base32(raw).replace(/=+$/, "");
}

async function main() {
  const file = process.argv[2];
  if (!file) {
    process.stderr.write("usage: node read_warc.mjs FILE\n");
    process.exit(2);
  }
  const parser = new WARCParser(createReadStream(file), { keepHeadersCase: true, parseHttp: false });
  for await (const record of parser) {
    const block = Buffer.from(await record.readFully(false));
    const headers = {};
    for (const [name, value] of record.warcHeaders.headers) headers[name] = value;
    const declared = record.warcHeaders.headers.get("WARC-Block-Digest");
    process.stdout.write(JSON.stringify({
      type: record.warcType,
      version: record.warcHeaders.protocol,
      headers,
      length: block.length,
      digest_ok: declared ? digestMatches(declared, block) : null,
      payload: block.toString("utf8"),
    }) + "\n");
  }
}

main().catch((error) => {
  process.stderr.write(`read_warc: ${error.stack || error}\n`);
  process.exit(1);
});
