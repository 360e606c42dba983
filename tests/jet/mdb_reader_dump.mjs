// Prints a database through mdb-reader, an independent reader, one line per fact, for the
// writer tests to compare with what they wrote:
//   password<TAB>value-or-NULL
//   row<TAB>table<TAB>cell<TAB>cell...
// Cells: NULL, true/false, numbers as JavaScript prints them, dates as ISO text, bytes as
// hex:..., text as JSON; text or bytes over 200 characters as len:N:fnv:H (FNV-1a, 32 bits,
// over UTF-16 units for text, over bytes for bytes).
// Usage: node mdb_reader_dump.mjs ORACLE_DIR FILE [PASSWORD]
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";
import { pathToFileURL } from "node:url";
import path from "node:path";

const [oracleDir, file, password] = process.argv.slice(2);
const entry = createRequire(path.join(oracleDir, "package.json")).resolve("mdb-reader");
const { default: MDBReader } = await import(pathToFileURL(entry).href);

const fnv = (units) => {
  let h = 0x811c9dc5;
  for (const u of units) h = Math.imul(h ^ u, 0x01000193) >>> 0;
  return h.toString(16);
};
const cell = (v) => {
  if (v === null || v === undefined) return "NULL";
  if (v instanceof Date) return v.toISOString();
  if (Buffer.isBuffer(v) || v instanceof Uint8Array) {
    const b = Buffer.from(v);
    return b.length > 200 ? `len:${b.length}:fnv:${fnv(b)}` : `hex:${b.toString("hex")}`;
  }
  if (typeof v === "string") {
    if (v.length <= 200) return JSON.stringify(v);
    const units = [];
    for (let i = 0; i < v.length; ++i) units.push(v.charCodeAt(i));
    return `len:${v.length}:fnv:${fnv(units)}`;
  }
  return String(v);
};

const reader = new MDBReader(readFileSync(file), password ? { password } : {});
const lines = [`password\t${reader.getPassword() ?? "NULL"}`];
for (const name of reader.getTableNames()) {
  const table = reader.getTable(name);
  const columns = table.getColumns().map((c) => c.name);
  for (const r of table.getData()) lines.push(["row", name, ...columns.map((c) => cell(r[c]))].join("\t"));
}
process.stdout.write(lines.join("\n") + "\n");
