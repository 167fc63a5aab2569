// Converts dictionaries on the page in headless Chromium and compares what
// the page shows and downloads with what the native program, built from the
// same tree, writes for the same input.
//   SITE       the built site (default build-web/site)
//   DICT2STEP  the native program (default build/dict2step)
//   DICTGEN    the benchmark's generator (default build/bench/dictgen)
//   CHROMIUM   the browser (default /usr/bin/chromium)
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync, existsSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const fromRoot = (name) => path.resolve(root, name);
const site = fromRoot(process.env.SITE ?? 'build-web/site');
const native = fromRoot(process.env.DICT2STEP ?? 'build/dict2step');
const dictgen = fromRoot(process.env.DICTGEN ?? 'build/bench/dictgen');
const chromium = process.env.CHROMIUM ?? '/usr/bin/chromium';
// One conversion, its download and the look at its tree, at most.
const CASE_TIMEOUT = 180_000;

const mimeTypes = {
    '.html': 'text/html; charset=utf-8',
    '.js': 'text/javascript',
    '.css': 'text/css',
    '.wasm': 'application/wasm',
};

const scratch = mkdtempSync(path.join(tmpdir(), 'dict2step-browser-'));
let server;
let origin;
let browser;
let page;
let cdp;

// The site's files, served as any static server would; under /broken/ the
// same site with its WebAssembly cut short.
function serveSite(request, response) {
    let name = decodeURIComponent(new URL(request.url, 'http://host').pathname);
    const broken = name.startsWith('/broken/');
    if (broken)
        name = name.slice('/broken'.length);
    const file = path.join(site, name === '/' ? 'index.html' : name);
    if (!file.startsWith(site + path.sep) || !existsSync(file)) {
        response.writeHead(404);
        response.end();
        return;
    }
    let content = readFileSync(file);
    if (broken && file.endsWith('.wasm'))
        content = content.subarray(0, 1000);
    response.writeHead(200, { 'Content-Type': mimeTypes[path.extname(file)] ?? 'application/octet-stream' });
    response.end(content);
}

before(async () => {
    for (const needed of [path.join(site, 'index.html'), native, dictgen, chromium])
        assert.ok(existsSync(needed), `${needed} is missing: run make web and make build first`);
    server = createServer(serveSite);
    await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
    origin = `http://127.0.0.1:${server.address().port}`;
    browser = await puppeteer.launch({
        executablePath: chromium,
        headless: true,
        userDataDir: path.join(scratch, 'profile'),
        args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
               '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    });
    cdp = await browser.target().createCDPSession();
    page = await browser.newPage();
    page.on('pageerror', (error) => console.error(`page error: ${error.message}`));
});

after(async () => {
    await browser?.close();
    server?.close();
    rmSync(scratch, { recursive: true, force: true });
});

// What the command-line program makes of input.
function runNative(input) {
    const run = spawnSync(native, [], { input, maxBuffer: 1 << 30 });
    assert.equal(run.error, undefined);
    const stderr = run.stderr.toString('utf8');
    return { stdout: run.stdout, stderrLines: stderr === '' ? [] : stderr.replace(/\n$/, '').split('\n'), status: run.status };
}

function writeInput(name, content) {
    const file = path.join(scratch, name);
    writeFileSync(file, content);
    return file;
}

// Loads the page afresh (with the given query) and converts file through
// its file input.
async function convertOnPage(file, query = '') {
    await page.goto(`${origin}/${query}`);
    const input = await page.$('#file');
    await input.uploadFile(file);
    await page.waitForFunction(() => document.body.dataset.state === 'done', { timeout: CASE_TIMEOUT });
}

// Clicks the download button and returns the file's suggested name and bytes.
async function download() {
    const folder = mkdtempSync(path.join(scratch, 'download-'));
    await cdp.send('Browser.setDownloadBehavior', { behavior: 'allowAndName', downloadPath: folder, eventsEnabled: true });
    let suggested;
    const done = new Promise((resolve, reject) => {
        const begin = (event) => { suggested = event.suggestedFilename; };
        const progress = (event) => {
            if (event.state === 'completed' || event.state === 'canceled') {
                cdp.off('Browser.downloadWillBegin', begin);
                cdp.off('Browser.downloadProgress', progress);
                if (event.state === 'completed')
                    resolve(event.guid);
                else
                    reject(new Error('the download was canceled'));
            }
        };
        cdp.on('Browser.downloadWillBegin', begin);
        cdp.on('Browser.downloadProgress', progress);
    });
    await page.click('#download');
    const guid = await done;
    return { name: suggested, bytes: readFileSync(path.join(folder, guid)) };
}

// The texts of the elements that selector finds, in document order. ($$eval
// would make a handle for each element: slow for ten thousand.)
async function shownTexts(selector) {
    return page.evaluate((all) => [...document.querySelectorAll(all)].map((shown) => shown.textContent), selector);
}

async function shownDiagnostics() {
    return page.evaluate(() => [...document.querySelectorAll('#diagnostics .diagnostic')].map((item) => ({
        text: item.querySelector('.message').textContent,
        line: item.dataset.line === undefined ? null : Number(item.dataset.line),
        source: item.querySelector('.line-text:not(.end)')?.textContent ?? null,
    })));
}

async function shownCount(name) {
    return Number(await page.$eval(`#count-${name}`, (value) => value.dataset.count));
}

async function shownClassNames() {
    await page.click('#expand-all');
    return shownTexts('#tree .class-name');
}

// Class names in the order of the document, which is the tree's order from
// the top down; the page decodes them the same way.
function classNamesIn(input) {
    const text = new TextDecoder('utf-8', { fatal: false }).decode(input);
    return [...text.matchAll(/<CNAME>([^<]*)<\/CNAME>/gi)].map((match) => match[1]);
}

// The input's lines as the page shows them; a line end closes a line, so
// after the last one there is none.
function linesOf(input) {
    const text = new TextDecoder('utf-8', { fatal: false }).decode(input);
    const lines = text.split('\n');
    if (text.endsWith('\n'))
        lines.pop();
    return lines;
}

function entityLines(output, entity) {
    return (output.toString('latin1').match(new RegExp(`^#\\d+=${entity}\\(`, 'gm')) ?? []).length;
}

// The highest instance number the output holds.
function highestNumber(output) {
    let highest = 0;
    for (const match of output.toString('latin1').matchAll(/^#(\d+)=/gm))
        highest = Math.max(highest, Number(match[1]));
    return highest;
}

// Everything the page shows for a conversion that wrote its model, against
// the native program's results.
async function checkConversion(file, { expectStatus } = {}) {
    const input = readFileSync(file);
    const expected = runNative(input);
    if (expectStatus !== undefined)
        assert.equal(expected.status, expectStatus, 'the native program ended otherwise than this case is about');
    await convertOnPage(file);

    const status = await page.$eval('#status', (shown) => shown.dataset.status);
    assert.equal(status, String(expected.status));
    const statusText = await page.$eval('#status', (shown) => shown.textContent);
    assert.match(statusText, new RegExp(`^Exit status ${expected.status} `));

    const diagnostics = await shownDiagnostics();
    assert.deepEqual(diagnostics.map((diagnostic) => diagnostic.text), expected.stderrLines);
    const lines = linesOf(input);
    for (const diagnostic of diagnostics.filter((shown) => shown.line !== null))
        assert.equal(diagnostic.source, lines[diagnostic.line - 1] ?? null, `the line that "${diagnostic.text}" names`);

    const { name, bytes } = await download();
    assert.equal(name, `${path.basename(file).replace(/\.[^.]*$/, '')}.stp`);
    assert.ok(bytes.equals(expected.stdout), `the downloaded file differs from the native output (${bytes.length} bytes against ${expected.stdout.length})`);

    const classes = entityLines(expected.stdout, 'CLASS_BSU');
    assert.equal(await shownCount('classes'), classes);
    assert.equal(await shownCount('properties'), entityLines(expected.stdout, 'PROPERTY_BSU'));
    assert.equal(await shownCount('tables'), entityLines(expected.stdout, 'TABLE_BSU'));
    assert.equal(await shownCount('entities'), highestNumber(expected.stdout));
    if (expected.status === 0)
        assert.equal(await shownCount('cells'), (input.toString('latin1').match(/<TD>/gi) ?? []).length);

    assert.deepEqual(await shownClassNames(), classNamesIn(input).slice(0, classes));
    return { expected, diagnostics };
}

describe('the page converts as the native program does', { timeout: CASE_TIMEOUT * 8 }, () => {
    test('examples/fasteners.dict', async () => {
        await checkConversion(fromRoot('examples/fasteners.dict'), { expectStatus: 0 });
    });

    test('examples/drive-components.dict', async () => {
        await checkConversion(fromRoot('examples/drive-components.dict'), { expectStatus: 0 });
    });

    test('a syntax error on line 9 of 13', async () => {
        const file = writeInput('syntax-error.dict', [
            '<SUPPLIER_LIBRARY BSU="S1">',
            '<CLASS BSU="C1">',
            '<CNAME>Springs</CNAME>',
            '<CLASS BSU="C11">',
            '<CNAME>Compression springs</CNAME>',
            '</CLASS>',
            '<CLASS BSU="C12">',
            '<CNAME>Tension springs</CNAME>',
            '<PROPERTY BSU="P1"><PNAME>Hook</PNAME><PTYPE>STRING</PNAME></PROPERTY>',
            '</CLASS>',
            '</CLASS>',
            '</SUPPLIER_LIBRARY>',
            '',
        ].join('\n'));
        await checkConversion(file, { expectStatus: 1 });
        const named = (await shownDiagnostics()).filter((diagnostic) => diagnostic.line !== null);
        assert.deepEqual(named.map((diagnostic) => diagnostic.line), [9]);
        assert.match(named[0].source, /<PTYPE>STRING<\/PNAME>/);
    });

    test('a dictionary cut short', async () => {
        const lines = readFileSync(fromRoot('examples/fasteners.dict'), 'utf8').split('\n');
        const file = writeInput('cut-short.dict', `${lines.slice(0, 10).join('\n')}\n`);
        await checkConversion(file, { expectStatus: 1 });
        // The parser met the end of the input on the line after the last.
        const diagnostics = await shownDiagnostics();
        assert.deepEqual(diagnostics.map((diagnostic) => [diagnostic.line, diagnostic.source]), [[11, null]]);
        const past = await page.$eval('#diagnostics .line-text', (shown) => shown.textContent);
        assert.equal(past, 'past the end of the input');
    });

    test('a token over the scanner\'s limit', async () => {
        const file = writeInput('long-name.dict', [
            '<SUPPLIER_LIBRARY BSU="S1">',
            '<CLASS BSU="C1">',
            '<CNAME>Washers</CNAME>',
            '<CLASS BSU="C11">',
            `<CNAME>${'Spring washer '.repeat(700)}</CNAME>`,
            '</CLASS>',
            '</CLASS>',
            '</SUPPLIER_LIBRARY>',
            '',
        ].join('\n'));
        const input = readFileSync(file);
        const expected = runNative(input);
        assert.equal(expected.status, 2);
        await convertOnPage(file);
        assert.equal(await page.$eval('#status', (shown) => shown.dataset.status), '2');
        const diagnostics = await shownDiagnostics();
        assert.deepEqual(diagnostics.map((diagnostic) => diagnostic.text), expected.stderrLines);
        // The line where the scanner stopped, cut short on the page.
        const named = diagnostics.filter((shown) => shown.line !== null);
        assert.deepEqual(named.map((diagnostic) => diagnostic.line), [5]);
        assert.equal(named[0].source, `${linesOf(input)[4].slice(0, 500)}…`);
        // Nothing was written, and nothing is offered.
        assert.equal(expected.stdout.length, 0);
        assert.equal(await page.$eval('#download', (button) => button.hidden), true);
        // The classes read before the stop are shown.
        assert.equal(await shownCount('classes'), 2);
        assert.deepEqual((await shownClassNames())[0], 'Washers');
    });

    test('names that are not ASCII', async () => {
        const latin1Name = Buffer.from('Unterlegscheibe \xd8 8', 'latin1');
        const file = writeInput('non-ascii.dict', Buffer.concat([Buffer.from([
            '<SUPPLIER_LIBRARY BSU="S1">',
            '<CLASS BSU="C1">',
            '<CNAME>Scheibe Ø 8</CNAME>',
            '<PROPERTY BSU="P1"><PNAME>Ø außen</PNAME><PTYPE>REAL</PTYPE></PROPERTY>',
            '<PROPERTY BSU="P2"><PNAME>Werkstoff</PNAME><PTYPE>STRING</PTYPE></PROPERTY>',
            '<TABLE BSU="T1">',
            '<COLUMN><TD>16</TD> <TD>24</TD></COLUMN>',
            '<COLUMN><TD>Stahl verzinkt</TD> <TD>Messing</TD></COLUMN>',
            '</TABLE>',
            '<CLASS BSU="C11">',
            '<CNAME>ねじ 日本</CNAME>',
            '</CLASS>',
            '<CLASS BSU="C12">',
            '<CNAME>Schraube 🔩 µm',
            'zweite Zeile\tTab</CNAME>',
            '</CLASS>',
            '<CLASS BSU="C13">',
            '<CNAME>',
        ].join('\n')), latin1Name, Buffer.from([
            '</CNAME>',
            '</CLASS>',
            '</CLASS>',
            '</SUPPLIER_LIBRARY>',
            '',
        ].join('\n'))]));
        await checkConversion(file, { expectStatus: 0 });
        const names = await shownTexts('#tree .class-name');
        assert.deepEqual(names, ['Scheibe Ø 8', 'ねじ 日本', 'Schraube 🔩 µm\nzweite Zeile\tTab', 'Unterlegscheibe \ufffd 8']);
        const properties = await shownTexts('#tree .property-name');
        assert.deepEqual(properties, ['Ø außen', 'Werkstoff']);
    });

    test('a generated dictionary of 20 MB', async () => {
        const generated = spawnSync(dictgen, ['mixed', '20'], { maxBuffer: 1 << 30 });
        assert.equal(generated.status, 0);
        const file = writeInput('mixed-20.dict', generated.stdout);
        await checkConversion(file, { expectStatus: 0 });
        // Progress was shown while the input was read.
        const updates = await page.$eval('#progress', (progress) => Number(progress.dataset.updates));
        assert.ok(updates >= 100, `${updates} progress updates`);
    });

    test('a dictionary dropped on the page', async () => {
        await page.goto(`${origin}/`);
        const content = readFileSync(fromRoot('examples/fasteners.dict'), 'latin1');
        await page.evaluate((text) => {
            const transfer = new DataTransfer();
            const bytes = Uint8Array.from(text, (character) => character.charCodeAt(0));
            transfer.items.add(new File([bytes], 'fasteners.dict'));
            document.getElementById('pick').dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
        }, content);
        await page.waitForFunction(() => document.body.dataset.state === 'done', { timeout: CASE_TIMEOUT });
        const { name, bytes } = await download();
        assert.equal(name, 'fasteners.stp');
        assert.ok(bytes.equals(runNative(readFileSync(fromRoot('examples/fasteners.dict'))).stdout));
    });

    test('running out of memory is reported', async () => {
        const generated = spawnSync(dictgen, ['mixed', '20'], { maxBuffer: 1 << 30 });
        const file = writeInput('mixed-20-limited.dict', generated.stdout);
        // A memory of at most 20 MB, where the model of 20 MB of input does not fit.
        await convertOnPage(file, '?memory=20');
        assert.equal(await page.$eval('#status', (shown) => shown.dataset.status), '2');
        assert.deepEqual((await shownDiagnostics()).map((diagnostic) => diagnostic.text), ['dict2step: out of memory']);
    });

    test('a converter that cannot start is reported', async () => {
        await convertOnPage(fromRoot('examples/fasteners.dict'), 'broken/');
        const status = await page.$eval('#status', (shown) => ({ code: shown.dataset.status, text: shown.textContent }));
        assert.equal(status.code, 'crash');
        assert.match(status.text, /^The converter crashed after .*: .*CompileError/);
    });
});
