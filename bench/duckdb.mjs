// CSV to CSV through DuckDB, the peer bench/compare.sh sets beside our batch:
//   node duckdb.mjs <folder holding node_modules/@duckdb/node-api> <threads> <in.csv> <out.csv>
// An in-memory database on the given number of threads copies the table as DuckDB reads it,
// header and all, and prints the rows written. The whole process is timed from outside, as
// ours is; compare.sh takes off the time of the same run on a one-row table, so Node's and
// DuckDB's start-up count no more against it than the program's start-up counts against ours.
import { createRequire } from "node:module";
import { resolve } from "node:path";

const [moduleDir, threads, input, output] = process.argv.slice(2);
if (!output) {
  console.error("usage: node duckdb.mjs <module folder> <threads> <in.csv> <out.csv>");
  process.exit(2);
}
// The package lives in the benchmark's data folder, not beside this script.
const { DuckDBInstance } = createRequire(resolve(moduleDir, "package.json"))("@duckdb/node-api");
const quoted = (path) => "'" + path.replaceAll("'", "''") + "'";

const instance = await DuckDBInstance.create(":memory:", { threads: String(threads) });
const connection = await instance.connect();
const result = await connection.run(
  `COPY (SELECT * FROM read_csv(${quoted(input)}, header=true)) TO ${quoted(output)} (HEADER)`);
const rows = await result.getRows();
console.log(`${rows[0]?.[0] ?? "?"} rows`);
connection.closeSync();
instance.closeSync();
