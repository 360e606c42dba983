// Prints every table of a database as JSON lines, for comparison with our engine.
//   node dump.mjs FILE [PASSWORD]
// For each table one header line {"table", "columns", "types", "rowCount"} (or {"table",
// "error"} when the table cannot be read), then one JSON array per row. Each value is null
// or a string: booleans "0"/"1", numbers as JavaScript prints them, dates as epoch
// milliseconds, binary data as upper-case hex, everything else as the reader gives it.
import MDBReader from "mdb-reader";
import { readFileSync } from "fs";

function normalise(value) {
  if (value === null || value === undefined) return null;
  if (typeof value === "boolean") return value ? "1" : "0";
  if (value instanceof Date) return String(value.getTime());
  if (Buffer.isBuffer(value) || value instanceof Uint8Array) return Buffer.from(value).toString("hex").toUpperCase();
  return String(value);
}

const [file, password] = process.argv.slice(2);
const reader = new MDBReader(readFileSync(file), password ? { password } : {});
for (const name of reader.getTableNames({ normalTables: true, systemTables: true })) {
  let table;
  let rows;
  try {
    table = reader.getTable(name);
    rows = table.getData();
  } catch (error) {
    console.log(JSON.stringify({ table: name, error: String(error) }));
    continue;
  }
  const columns = table.getColumns();
  console.log(JSON.stringify({
    table: name,
    columns: columns.map((c) => c.name),
    types: columns.map((c) => c.type),
    rowCount: rows.length,
  }));
  for (const row of rows) console.log(JSON.stringify(columns.map((c) => normalise(row[c.name]))));
}
