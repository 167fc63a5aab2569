// Measures how editing feels at growing sizes of text, to choose the size
// above which the page shows a file read-only. For each size, a dictionary
// of the generator's mixed shape is opened with editing allowed, twenty
// characters are typed 100 ms apart, and then the page converts. Printed:
// the longest task on the main thread while typing, the longest one from
// the pause to the end of the conversion, and the time from the last key
// to the conversion's end. Run by hand, after make web and make build:
//   node editing-bench.mjs [SIZES_IN_MB...]
import { spawnSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const site = path.resolve(root, process.env.SITE ?? 'build-web/site');
const dictgen = path.resolve(root, process.env.DICTGEN ?? 'build/bench/dictgen');
const sizes = process.argv.length > 2 ? process.argv.slice(2).map(Number) : [1, 2, 5, 10, 20];
const mimeTypes = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm' };

const scratch = mkdtempSync(path.join(tmpdir(), 'dict2step-editing-'));
const server = createServer((request, response) => {
    const name = new URL(request.url, 'http://host').pathname;
    const file = path.join(site, name === '/' ? 'index.html' : name);
    if (!file.startsWith(site + path.sep) || !existsSync(file)) {
        response.writeHead(404);
        response.end();
        return;
    }
    response.writeHead(200, { 'Content-Type': mimeTypes[path.extname(file)] ?? 'application/octet-stream' });
    response.end(readFileSync(file));
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run'],
});

function watchLongTasks() {
    window.longTasks = [];
    new PerformanceObserver((list) => {
        for (const entry of list.getEntries())
            window.longTasks.push({ start: entry.startTime, duration: entry.duration });
    }).observe({ type: 'longtask', buffered: true });
}

const longestSince = (since) => `Math.max(0, ...window.longTasks.filter((task) => task.start >= ${since}).map((task) => task.duration))`;

console.log('size MB | longest task while typing, ms | longest task after the pause, ms | last key to converted, ms');
for (const size of sizes) {
    const file = path.join(scratch, `mixed-${size}.dict`);
    writeFileSync(file, spawnSync(dictgen, ['mixed', String(size)], { maxBuffer: 1 << 30 }).stdout);
    // A context of its own, so that no text kept by the page at one size is
    // found again at the next.
    const context = await browser.createBrowserContext();
    const page = await context.newPage();
    await page.evaluateOnNewDocument(watchLongTasks);
    await page.goto(`http://127.0.0.1:${server.address().port}/?editlimit=1000`);
    await (await page.$('#file')).uploadFile(file);
    await page.waitForFunction(() => document.body.dataset.conversions === '1', { timeout: 300_000 });
    await new Promise((resolve) => setTimeout(resolve, 1000));
    // The middle of the text, at the end of a line.
    await page.click('.cm-content');
    for (let step = 0; step < 30; ++step)
        await page.keyboard.press('PageDown');
    await page.keyboard.press('End');
    const typingFrom = await page.evaluate(() => performance.now());
    for (let key = 0; key < 20; ++key) {
        await page.keyboard.type('x');
        await new Promise((resolve) => setTimeout(resolve, 100));
    }
    const lastKey = await page.evaluate(() => performance.now());
    await page.waitForFunction(() => document.body.dataset.conversions === '2', { timeout: 300_000 });
    const converted = await page.evaluate(() => performance.now());
    const typing = await page.evaluate(`Math.max(0, ...window.longTasks.filter((task) => task.start >= ${typingFrom} && task.start < ${lastKey}).map((task) => task.duration))`);
    const after = await page.evaluate(longestSince(lastKey));
    console.log(`${size} | ${Math.round(typing)} | ${Math.round(after)} | ${Math.round(converted - lastKey)}`);
    await context.close();
}
await browser.close();
server.close();
rmSync(scratch, { recursive: true, force: true });
