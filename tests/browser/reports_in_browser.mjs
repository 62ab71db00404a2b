// Opens parvex-cli's web page reports in Debian's chromium, headless, and
// checks what a person would: the verdict reads at the top, the archives'
// table sorts by a click on its headers, every row shows, the filter hides and
// shows rows as typed, marks are signs and not colour alone, the first columns
// stay while the matrix scrolls sideways, no script error is logged, no
// request leaves the page, a description that reads <script> stays text, and
// without script everything still shows in the order of the inputs.
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
  ok ? passed++ : (failed++, console.error(`FAILED: ${what} ${detail}`));
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
  line("1", "Max speed", "1500", "rpm/min") +
    line("2", "x", "9") +
    line("3", "Ramp time", "3", "s") +
    line("9.1", "Extra speed", "4"),
);
writeFileSync(
  join(work, "eq.arc"),
  line("1", "Max speed", "1500", "rpm") + line("2", "x", "7") + line("3", "Ramp time", "2.5", "s"),
);

const run = (args) => spawnSync(cli, args, { cwd: work, encoding: "utf8" });
// Verdicts in the order of the inputs: Deviates, Equal, Not read, Deviates.
const inputs = ["m1.arc", "eq.arc", "gone.arc", "m2.arc"];
const reference = run(["reference", "ref.arc", ...inputs, "-o", "fleet.html"]);
check("reference report written with status 2", reference.status === 2, reference.stderr);
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
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
      "--disable-component-update", "--disable-sync", "--no-first-run"],
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
const archivesInOrder = (page) =>
  page.$$eval("table.summary tbody tr", (rows) =>
    rows.map((r) => r.cells[0].textContent).join(" "),
  );
const signs = (page, cells) =>
  page.$$eval(cells, (all) => all.map((c) => getComputedStyle(c, "::before").content));

// The verdict, the archives' table sorted by clicks, the signs beside the
// colours, and the first columns frozen while the matrix scrolls sideways.
async function summaryAndMarks(page) {
  const verdict = await page.textContent("#verdict");
  const wanted = "2 of 4 archives deviate from the reference, 1 not read";
  check("the verdict reads at the top", verdict === wanted, verdict);
  const words = await page.$$eval("td.v", (all) => all.map((c) => c.textContent).join());
  check("verdicts in words", words === "Deviates,Equal,Not read,Deviates", words);
  const verdictSigns = new Set(await signs(page, "td.v"));
  check("each verdict has a sign", verdictSigns.size === 3 && !verdictSigns.has("none"));
  const extra = (await page.textContent("td.x")) + (await signs(page, "td.x"));
  check("an extra cell holds the value alone, signed +", extra.startsWith('4"+'), extra);
  for (const [header, order, way] of [
    ["Verdict", "gone.arc m1.arc m2.arc eq.arc", "descending"],
    ["Verdict", "eq.arc m1.arc m2.arc gone.arc", "ascending"],
    ["Differ", "m2.arc m1.arc eq.arc gone.arc", "descending"],
    ["Archive", "m1.arc eq.arc gone.arc m2.arc", "ascending"],
  ]) {
    await page.click(`table.summary th button:text-is("${header}")`);
    const now = await archivesInOrder(page);
    const told = await page.$eval("th[aria-sort]", (th) => th.textContent + " " + th.ariaSort);
    check(`sorted by ${header}, ${way}`, now === order && told === `${header} ${way}`, now);
  }
  await page.setViewportSize({ width: 420, height: 600 });
  const lefts = () =>
    page.$$eval("table.matrix tbody tr:first-child td", (c) =>
      c.slice(0, 3).map((td) => Math.round(td.getBoundingClientRect().left)),
    );
  const before = await lefts();
  await page.$eval("div.scroll", (div) => {
    div.scrollLeft = 300;
  });
  const after = await lefts();
  const moved = `${before} -> ${after}`;
  check("the matrix scrolls sideways", after[2] < before[2], moved);
  check("address and description stay", after[0] === before[0] && after[1] === before[1], moved);
}

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
    await page.type("#filter", "spe");
    check("typing filters on description", (await visibleRows(page)) === 2);
    await page.fill("#filter", "9.1");
    check("filtering on address", (await visibleRows(page)) === 1);
    await page.fill("#filter", "nothing like it");
    check("a text no row holds hides all", (await visibleRows(page)) === 0);
    await page.fill("#filter", "");
    check("clearing shows every row again", (await visibleRows(page)) === 4);
    const marked = await signs(page, "td.d");
    check("deviating cells carry a sign", marked.length > 0 && marked.every((c) => c.includes("\u2260")));
    const header = await page.$eval("table.matrix thead th", (th) => getComputedStyle(th).position);
    check("the header is sticky", header === "sticky", header);
    await summaryAndMarks(page);
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
  const order = await archivesInOrder(page);
  check("without script the archives stand as given", order === inputs.join(" "), order);
  const buttons = await page.$$("table.summary th button");
  check("without script no header is a button", buttons.length === 0);
} finally {
  await still.close();
}

rmSync(work, { recursive: true, force: true });
for (const dir of profiles) rmSync(dir, { recursive: true, force: true });
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
