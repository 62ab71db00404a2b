// Opens parvex-cli's web page reports in Debian's chromium, headless, and
// checks what a person would: every row shows, the filter hides and shows rows
// as typed, no script error is logged, no request leaves the page, a
// description that reads <script> stays text, and without script everything
// still shows.
//   node reports_in_browser.mjs PARVEX_CLI
import { spawnSync } from "node:child_process";
import { mkdtempSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { pathToFileURL } from "node:url";

let chromium;
try {
  ({ chromium } = await import("playwright-core"));
} catch {
  console.error("playwright-core is missing: run scripts/setup.sh (npm ci in tests/browser)");
  process.exit(2);
}

const cli = process.argv[2];
const work = mkdtempSync(join(tmpdir(), "parvex-browser-"));
let passed = 0;
let failed = 0;
function check(what, ok, detail = "") {
  if (ok) {
    passed++;
  } else {
    failed++;
    console.error(`FAILED: ${what} ${detail}`);
  }
}

const line = (address, description, value, units = "u") =>
  `${address}\t${description}\t${value}\t${units}\r\n`;
const evil = "<script>window.injected = 1</script><img src=x onerror=\"window.injected = 2\">";
writeFileSync(
  join(work, "ref.arc"),
  line("1", "Max speed", "1500", "rpm") + line("2", evil, "7") + line("3", "Ramp time", "2.5", "s"),
);
writeFileSync(join(work, "m1.arc"), line("1", "Max speed", "1600", "rpm") + line("2", "x", "8"));
writeFileSync(
  join(work, "m2.arc"),
  line("1", "Max speed", "1500", "rpm") + line("2", "x", "7") + line("3", "Ramp time", "3", "s") +
    line("9.1", "Extra speed", "4"),
);

const run = (args) => spawnSync(cli, args, { cwd: work, encoding: "utf8" });
const reference = run(["reference", "ref.arc", "m1.arc", "m2.arc", "-o", "fleet.html"]);
check("reference report written with status 1", reference.status === 1, reference.stderr);
const pair = run(["archives", "ref.arc", "m1.arc", "--html", "-o", "pair.html"]);
check("pair report written with status 1", pair.status === 1, pair.stderr);

// Debian's chromium, each time with a fresh profile of its own.
const profiles = [];
function launch(options = {}) {
  const userDataDir = mkdtempSync(join(tmpdir(), "parvex-chromium-"));
  profiles.push(userDataDir);
  return chromium.launchPersistentContext(userDataDir, {
    executablePath: "/usr/bin/chromium",
    headless: true,
    args: [
      "--headless",
      "--no-sandbox",
      "--disable-gpu",
      "--disable-background-networking",
      "--disable-component-update",
      "--disable-sync",
      "--no-first-run",
    ],
    ...options,
  });
}

const context = await launch();

async function open(name) {
  const page = await context.newPage();
  const errors = [];
  const requests = [];
  const url = pathToFileURL(join(work, name)).href;
  page.on("pageerror", (e) => errors.push(String(e)));
  page.on("console", (m) => {
    if (m.type() === "error") errors.push(m.text());
  });
  page.on("request", (r) => {
    if (r.url() !== url) requests.push(r.url());
  });
  await page.goto(url);
  return { page, errors, requests };
}

const visibleRows = (page) =>
  page.$$eval("table.matrix tbody tr", (rows) => rows.filter((r) => r.offsetParent !== null).length);

try {
  // The reference report: rows 1.0, 2.0, 3.0 and the extra 9.1.
  {
    const { page, errors, requests } = await open("fleet.html");
    check("every row shows", (await visibleRows(page)) === 4, String(await visibleRows(page)));
    const description = await page.$eval(
      "table.matrix tbody tr:nth-child(2) td:nth-child(2)",
      (td) => td.textContent,
    );
    check("a <script> description stays text", description === evil, description);
    check("no injected script ran", (await page.evaluate(() => window.injected)) === undefined);
    check("the filter box shows with script", await page.isVisible("#filter"));
    await page.type("#filter", "spe");
    check("typing filters on description", (await visibleRows(page)) === 2);
    await page.type("#filter", "ed");
    check("more typing keeps matching rows", (await visibleRows(page)) === 2);
    await page.fill("#filter", "9.1");
    check("filtering on address", (await visibleRows(page)) === 1);
    await page.fill("#filter", "nothing like it");
    check("a text no row holds hides all", (await visibleRows(page)) === 0);
    await page.fill("#filter", "");
    check("clearing shows every row again", (await visibleRows(page)) === 4);
    const marked = await page.$$eval("td.d", (cells) =>
      cells.map((c) => getComputedStyle(c, "::before").content),
    );
    check("deviating cells carry a sign", marked.length > 0 && marked.every((c) => c.includes("\u2260")));
    const header = await page.$eval("table.matrix thead th", (th) => getComputedStyle(th).position);
    check("the header is sticky", header === "sticky", header);
    check("no script error is logged", errors.length === 0, errors.join("; "));
    check("no request leaves the page", requests.length === 0, requests.join(" "));
  }
  // The pair's list.
  {
    const { page, errors, requests } = await open("pair.html");
    check("the pair's rows show", (await visibleRows(page)) === 2);
    check("no script error in the pair's page", errors.length === 0, errors.join("; "));
    check("no request leaves the pair's page", requests.length === 0, requests.join(" "));
  }
} finally {
  await context.close();
}

// Without script everything shows and the filter box stays hidden.
const still = await launch({ javaScriptEnabled: false });
try {
  const page = await still.newPage();
  await page.goto(pathToFileURL(join(work, "fleet.html")).href);
  check("without script every row shows", (await visibleRows(page)) === 4);
  check("without script the filter box is hidden", !(await page.isVisible("#filter")));
} finally {
  await still.close();
}

rmSync(work, { recursive: true, force: true });
for (const dir of profiles) rmSync(dir, { recursive: true, force: true });
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
