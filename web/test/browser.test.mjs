// Edits and converts dictionaries on the page in headless Chromium, and
// compares what the page shows and downloads with what the native program,
// built from the same tree, writes for the same input.
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
import { diagnosticsOf, markText } from '../diagnostics.js';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const fromRoot = (name) => path.resolve(root, name);
const site = fromRoot(process.env.SITE ?? 'build-web/site');
const native = fromRoot(process.env.DICT2STEP ?? 'build/dict2step');
const dictgen = fromRoot(process.env.DICTGEN ?? 'build/bench/dictgen');
const chromium = process.env.CHROMIUM ?? '/usr/bin/chromium';
// One conversion, its download and the look at its tree, at most.
const CASE_TIMEOUT = 180_000;
// The page converts after a pause in typing of 300 ms; a mark must follow within this.
const MARK_TIMEOUT = 1000;
// The longest the page may hold its main thread while it opens and converts 20 MB.
const LONGEST_PAUSE = 200;

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
let pageCdp;
// The questions the browser asked before leaving a page, which are answered yes.
const leaveQuestions = [];

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
    pageCdp = await page.createCDPSession();
    page.on('pageerror', (error) => console.error(`page error: ${error.message}`));
    page.on('dialog', async (dialog) => {
        leaveQuestions.push(dialog.type());
        await dialog.accept();
    });
});

after(async () => {
    await browser?.close();
    server?.close();
    rmSync(scratch, { recursive: true, force: true });
});

// What the command-line program makes of input, with args.
function runNative(input, args = []) {
    const run = spawnSync(native, args, { input, maxBuffer: 1 << 30 });
    assert.equal(run.error, undefined);
    const stderr = run.stderr.toString('utf8');
    return { stdout: run.stdout, diagnostics: diagnosticsOf(stderr), status: run.status };
}

function writeInput(name, content) {
    const file = path.join(scratch, name);
    writeFileSync(file, content);
    return file;
}

// How many conversions the page has finished.
async function conversions() {
    return page.evaluate(() => Number(document.body.dataset.conversions ?? 0));
}

// Waits for the page to finish the conversion after the count-th.
async function nextConversion(count, timeout = CASE_TIMEOUT) {
    await page.waitForFunction((after) => Number(document.body.dataset.conversions ?? 0) > after &&
                               document.body.dataset.state === 'done', { timeout }, count);
}

// Loads the page (with the given query) with nothing kept from an earlier
// visit, as on a first one.
async function openPage(query = '') {
    // The page before keeps its text as it goes: it goes first.
    await page.goto('about:blank');
    await pageCdp.send('Storage.clearDataForOrigin', { origin, storageTypes: 'local_storage' });
    await page.goto(`${origin}/${query}`);
}

// Loads the page afresh (with the given query) and opens file through its
// file input, which converts it.
async function convertOnPage(file, query = '', beforeOpening = async () => {}) {
    await openPage(query);
    await beforeOpening();
    const input = await page.$('#file');
    await input.uploadFile(file);
    await nextConversion(0);
}

// The text in the editor, from its lines: the texts of these tests are short
// enough to be laid out whole.
async function editorText() {
    return page.evaluate(() => [...document.querySelectorAll('.cm-content > .cm-line')]
        .map((line) => line.textContent).join('\n'));
}

// Presses Ctrl and key together.
async function pressWithControl(key) {
    await page.keyboard.down('Control');
    await page.keyboard.press(key);
    await page.keyboard.up('Control');
}

// Puts the cursor at the start of line, with the keyboard.
async function moveTo(line) {
    await page.focus('.cm-content');
    await pressWithControl('Home');
    for (let down = 1; down < line; ++down)
        await page.keyboard.press('ArrowDown');
    await waitForCursorLine(line);
}

// Pastes text into the editor, as a paste from the clipboard does.
async function paste(text) {
    await page.evaluate((pasted) => {
        const transfer = new DataTransfer();
        transfer.setData('text/plain', pasted);
        document.querySelector('.cm-content').dispatchEvent(new ClipboardEvent('paste', { clipboardData: transfer, bubbles: true, cancelable: true }));
    }, text);
}

async function waitForCursorLine(line) {
    await page.waitForFunction((expected) => document.getElementById('cursor-position').dataset.line === String(expected),
                               { timeout: 5000 }, line);
}

// The lines beside which the editor's gutter shows a mark of the lint, by
// the line number drawn at the same height.
async function markedLines() {
    return page.evaluate(() => {
        const numbers = [...document.querySelectorAll('.cm-lineNumbers .cm-gutterElement')];
        return [...document.querySelectorAll('.cm-gutter-lint .cm-lint-marker')].map((mark) => {
            const top = mark.closest('.cm-gutterElement').getBoundingClientRect().top;
            const beside = numbers.find((number) => Math.abs(number.getBoundingClientRect().top - top) < 2);
            return beside === undefined ? null : Number(beside.textContent);
        });
    });
}

// Clicks a download button and returns the file's suggested name and bytes.
async function download(button = '#download') {
    return downloadWith(() => page.click(button));
}

// Does what starts a download, and returns the file's suggested name and bytes.
async function downloadWith(action) {
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
    await action();
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
        severity: item.classList.contains('warning') ? 'warning' : 'error',
        source: item.querySelector('.line-text:not(.end)')?.textContent ?? null,
    })));
}

async function shownCount(name) {
    return Number(await page.$eval(`#count-${name}`, (value) => value.dataset.count));
}

// Expands the whole tree, which the page does a slice at a time.
async function expandTree() {
    await page.click('#expand-all');
    await page.waitForFunction(() => document.getElementById('tree').dataset.expanding === undefined,
                               { timeout: CASE_TIMEOUT });
}

async function shownClassNames() {
    await expandTree();
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
    const detail = await page.$eval('#status-detail', (shown) => shown.textContent);
    assert.match(detail, new RegExp(`^Exit status ${expected.status}, as on the command line; converted in `));

    const diagnostics = await shownDiagnostics();
    assert.deepEqual(diagnostics.map(({ text, line, severity }) => ({ text, line, severity })), expected.diagnostics);
    const lines = linesOf(input);
    for (const diagnostic of diagnostics.filter((shown) => shown.line !== null))
        assert.equal(diagnostic.source, lines[diagnostic.line - 1] ?? null, `the line that "${diagnostic.text}" names`);
    // A click on a diagnostic in the list puts the cursor on its line, beside its mark.
    for (const [index, diagnostic] of diagnostics.entries()) {
        if (diagnostic.line === null)
            continue;
        await page.click(`#diagnostics > li:nth-child(${index + 1}) .source`);
        await waitForCursorLine(diagnostic.line);
        assert.ok((await markedLines()).includes(diagnostic.line), `a mark beside line ${diagnostic.line}`);
    }

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

// The generator's 20 MB dictionary, made once.
let mixed20 = null;
function generated20() {
    if (mixed20 === null) {
        const generated = spawnSync(dictgen, ['mixed', '20'], { maxBuffer: 1 << 30 });
        assert.equal(generated.status, 0);
        mixed20 = generated.stdout;
    }
    return mixed20;
}

// Runs in the page before its scripts: keeps the longest task that held its
// main thread (the browser reports those over 50 ms).
function watchLongTasks() {
    window.longestTask = 0;
    new PerformanceObserver((list) => {
        for (const entry of list.getEntries())
            window.longestTask = Math.max(window.longestTask, entry.duration);
    }).observe({ type: 'longtask', buffered: true });
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

    test('values that are not numbers, a data type in lower case, a ragged table', async () => {
        const cells = ['1,5', 'n/a', '2.5', 'x', 'y', 'z', '1e5', '.5', 'q', 'w', 'e', 'r', 't'];
        const file = writeInput('values.dict', [
            '<SUPPLIER_LIBRARY BSU="S1">',
            '<CLASS BSU="C1">',
            '<CNAME>Couplings</CNAME>',
            '<PROPERTY BSU="P1"><PNAME>Size</PNAME><PTYPE>STRING</PTYPE></PROPERTY>',
            '<PROPERTY BSU="P2"><PNAME>Torque</PNAME><PTYPE>REAL</PTYPE></PROPERTY>',
            '<TABLE BSU="T1">',
            '<COLUMN><TD>A</TD> <TD>B</TD></COLUMN>',
            `<COLUMN>${cells.map((cell) => `<TD>${cell}</TD>`).join(' ')}</COLUMN>`,
            '</TABLE>',
            '<CLASS BSU="C2">',
            '<CNAME>Jaw couplings</CNAME>',
            '<PROPERTY BSU="P3"><PNAME>Bore</PNAME><PTYPE>real</PTYPE></PROPERTY>',
            '</CLASS>',
            '</CLASS>',
            '</SUPPLIER_LIBRARY>',
            '',
        ].join('\n'));
        const { expected } = await checkConversion(file, { expectStatus: 1 });
        // Ten value errors and the warning on line 8, the type and its hint on line 12, then the count.
        assert.deepEqual(expected.diagnostics.map((diagnostic) => diagnostic.line),
                         [8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 12, null]);
        assert.match(expected.diagnostics[11].text, /\ndict2step: hint: /);
    });

    test('warnings alone: codes, text outside any element, blanks at the ends of names and cells', async () => {
        const file = writeInput('warnings.dict', [
            '<SUPPLIER_LIBRARY BSU="S1">',
            '<CLASS BSU="C-1">',
            '<CNAME>Couplings</CNAME>',
            '<PROPERTY BSU="P 1"><PNAME>Size</PNAME><PTYPE>STRING</PTYPE></PROPERTY>',
            '<TABLE BSU="T1">',
            'A\tB',
            '<COLUMN><TD>A</TD> <TD>B</TD></COLUMN>',
            '</TABLE>',
            '<CLASS BSU="C2">',
            '<CNAME>Jaw couplings </CNAME>',
            '<PROPERTY BSU="P3"><PNAME>Bore</PNAME><PTYPE>REAL</PTYPE></PROPERTY>',
            '<PROPERTY BSU="P4"><PNAME>Hub</PNAME><PTYPE>STRING</PTYPE></PROPERTY>',
            '<TABLE BSU="T2">',
            '<COLUMN><TD>12.5</TD> <TD>14</TD></COLUMN>',
            '<COLUMN><TD>steel</TD> <TD> cast iron</TD></COLUMN>',
            '</TABLE>',
            '</CLASS>',
            '</CLASS>',
            '</SUPPLIER_LIBRARY>',
            '',
        ].join('\n'));
        const { expected } = await checkConversion(file, { expectStatus: 0 });
        // Each warning is marked on the line of its first case: the rows pasted
        // outside the table's columns, the class of the name, the cell, the code.
        assert.deepEqual(expected.diagnostics.map(({ line, severity }) => [line, severity]),
                         [[6, 'warning'], [9, 'warning'], [15, 'warning'], [2, 'warning']]);
        assert.match(expected.diagnostics[0].text, /^dict2step: warning: 1 text outside any element was ignored; the first, 'A\\tB', on line 6$/);
        // A warning about a cell marks the cell.
        assert.ok((await page.$$eval('.cm-lintRange-warning', (marks) => marks.map((mark) => mark.textContent)))
            .includes('<TD> cast iron</TD>'));
        // The status names the first warning and its line.
        assert.equal(await page.$eval('#status', (shown) => shown.textContent),
                     `Converted: ${highestNumber(expected.stdout)} entities, with 4 warnings. ` +
                     `Line 6: ${expected.diagnostics[0].text.replace(/^dict2step: warning: /, '')} ` +
                     '(3 more problems below)');
    });

    test('a tag that closes itself: the error, its hint, and the line the hint names marked too', async () => {
        const file = writeInput('self-closing.dict', [
            '<SUPPLIER_LIBRARY BSU="S1">',
            '<CLASS BSU="C1">',
            '<CNAME>Springs</CNAME>',
            '<PROPERTY BSU="P1"/>',
            '</CLASS>',
            '</SUPPLIER_LIBRARY>',
            '',
        ].join('\n'));
        const { expected } = await checkConversion(file, { expectStatus: 1 });
        assert.deepEqual(expected.diagnostics.map((diagnostic) => diagnostic.line), [5]);
        assert.match(expected.diagnostics[0].text, /\ndict2step: hint: tags do not close themselves: the '\/>' on line 4 /);
        assert.deepEqual(await page.$$eval('.cm-lintRange-info', (marks) => marks.map((mark) => mark.textContent)),
                         ['<PROPERTY BSU="P1"/>']);
    });

    test('a dictionary cut short', async () => {
        const lines = readFileSync(fromRoot('examples/fasteners.dict'), 'utf8').split('\n');
        const file = writeInput('cut-short.dict', `${lines.slice(0, 10).join('\n')}\n`);
        await checkConversion(file, { expectStatus: 1 });
        // The parser met the end of the input on the line after the last.
        const diagnostics = await shownDiagnostics();
        assert.deepEqual(diagnostics.map((diagnostic) => [diagnostic.line, diagnostic.source]), [[11, null]]);
        const past = await page.$eval('#diagnostics .line-text', (shown) => shown.textContent);
        assert.equal(past, 'at the end of the text');
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
        assert.deepEqual(diagnostics.map(({ text, line, severity }) => ({ text, line, severity })), expected.diagnostics);
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
        // Edited, the byte that is not UTF-8 would be lost: the text is read-only, and says why.
        assert.equal(await page.$eval('.cm-content', (text) => text.getAttribute('aria-readonly')), 'true');
        assert.match(await page.$eval('#notice', (notice) => notice.textContent), /not in UTF-8.*read-only/);
    });

    test('a generated dictionary of 20 MB, read-only, without holding the page', async () => {
        const file = writeInput('mixed-20.dict', generated20());
        // Opening, converting and expanding the whole tree never hold the page
        // long; loading the page is not counted.
        await page.evaluateOnNewDocument(watchLongTasks);
        await convertOnPage(file, '', () => page.evaluate(() => { window.longestTask = 0; }));
        await expandTree();
        const longest = await page.evaluate(() => window.longestTask);
        assert.ok(longest <= LONGEST_PAUSE, `the page was held for ${longest} ms`);
        // Progress was shown while the input was read.
        const updates = await page.$eval('#progress', (progress) => Number(progress.dataset.updates));
        assert.ok(updates >= 100, `${updates} progress updates`);
        // Too large to edit: the text stays as it was, and the page says why.
        assert.match(await page.$eval('#notice', (notice) => notice.textContent), /read-only/);
        await page.click('.cm-content');
        await page.keyboard.type('typed');
        assert.equal(await page.evaluate(() => document.querySelector('.cm-line').textContent),
                     linesOf(readFileSync(file))[0]);

        await checkConversion(file, { expectStatus: 0 });
    });

    test('a dictionary dropped on the text', async () => {
        await openPage();
        const content = readFileSync(fromRoot('examples/fasteners.dict'), 'latin1');
        await page.evaluate((text) => {
            const transfer = new DataTransfer();
            const bytes = Uint8Array.from(text, (character) => character.charCodeAt(0));
            transfer.items.add(new File([bytes], 'fasteners.dict'));
            document.querySelector('.cm-content').dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
        }, content);
        await nextConversion(0);
        assert.equal(await page.$eval('#document-name', (shown) => shown.textContent), 'fasteners.dict (532 bytes)');
        const { name, bytes } = await download();
        assert.equal(name, 'fasteners.stp');
        assert.ok(bytes.equals(runNative(readFileSync(fromRoot('examples/fasteners.dict'))).stdout));
    });

    test('running out of memory is reported', async () => {
        const file = writeInput('mixed-20-limited.dict', generated20());
        // A memory of at most 20 MB, where the model of 20 MB of input does not fit.
        await convertOnPage(file, '?memory=20');
        assert.equal(await page.$eval('#status', (shown) => shown.dataset.status), '2');
        assert.deepEqual((await shownDiagnostics()).map((diagnostic) => diagnostic.text), ['dict2step: out of memory']);
    });

    test('a converter that cannot start is reported', async () => {
        await convertOnPage(fromRoot('examples/fasteners.dict'), 'broken/');
        const status = await page.$eval('#status', (shown) => ({ code: shown.dataset.status, text: shown.textContent }));
        assert.equal(status.code, 'crash');
        assert.match(status.text, /^The converter crashed: .*CompileError/);
    });
});

describe('the page is an editor', { timeout: CASE_TIMEOUT * 4 }, () => {
    test('a misspelt closing tag is marked as it is typed, and the mark goes when it is mended', async () => {
        await openPage();
        const typed = [
            '<SUPPLIER_LIBRARY BSU="S1">',
            '<CLASS BSU="C1">',
            '<CNAME>Springs</CNAM>',
            '</CLASS>',
            '</SUPPLIER_LIBRARY>',
            '',
        ].join('\n');
        const expected = runNative(Buffer.from(typed));
        assert.equal(expected.status, 1);
        // The converter names the line where the text that does not fit begins.
        assert.equal(expected.diagnostics[0].line, 3);
        await page.click('.cm-content');
        await page.keyboard.type(typed);
        const typedAt = Date.now();
        await page.waitForFunction(() => document.querySelector('.cm-gutter-lint .cm-lint-marker-error') !== null,
                                   { timeout: MARK_TIMEOUT });
        assert.ok(Date.now() - typedAt <= MARK_TIMEOUT);
        assert.deepEqual(await markedLines(), [expected.diagnostics[0].line]);
        // Its text shows when the pointer rests on the marked line.
        await page.hover('.cm-lintRange-error');
        await page.waitForSelector('.cm-tooltip-lint', { timeout: 5000 });
        assert.equal(await page.$eval('.cm-tooltip-lint', (tip) => tip.textContent), markText(expected.diagnostics[0].text));
        await page.waitForFunction(() => document.body.dataset.state === 'done');
        assert.equal(await page.$eval('#status', (shown) => shown.dataset.status), '1');
        assert.equal((await shownDiagnostics())[0].text, expected.diagnostics[0].text);
        // The status names the problem, its line and its hint: the tag that was meant.
        assert.equal(await page.$eval('#status', (shown) => shown.textContent),
                     "Line 3: syntax error, unexpected text '/CNAM>', expecting '</CNAME>'. Hint: '</CNAM>' is no " +
                     'element of the tag language; the elements are SUPPLIER_LIBRARY, CLASS, CNAME, PROPERTY, PNAME, ' +
                     "PTYPE, TABLE, COLUMN and TD; did you mean '</CNAME>'?");
        // The run failed: its exchange file is offered second, as having errors.
        const offered = await page.$eval('#download', (button) => ({ text: button.textContent, secondary: button.classList.contains('secondary') }));
        assert.ok(offered.secondary);
        assert.match(offered.text, /^Download dictionary\.stp anyway \(it has errors/);
        assert.ok((await download()).bytes.equals(expected.stdout));

        // Line 3, before its closing >: </CNAM becomes </CNAME.
        await page.click('.cm-content');
        await moveTo(3);
        await page.keyboard.press('End');
        await page.keyboard.press('ArrowLeft');
        await page.keyboard.type('E');
        // Until the new text is converted, the last text's exchange file is not
        // offered, and what the last run found is shown without alarm.
        assert.equal(await page.$eval('#download', (button) => button.disabled), true);
        assert.equal(await page.$eval('#status', (shown) => shown.className), 'pending');
        await page.waitForFunction(() => document.querySelector('.cm-lint-marker') === null, { timeout: MARK_TIMEOUT });
        await page.waitForFunction(() => document.getElementById('status').dataset.status === '0');
        const mended = typed.replace('</CNAM>', '</CNAME>');
        const converted = runNative(Buffer.from(mended));
        assert.equal(converted.status, 0);
        assert.equal(await page.$eval('#status', (shown) => shown.textContent),
                     `No problems found. Converted: ${highestNumber(converted.stdout)} entities.`);
        assert.equal(await page.$eval('#download', (button) => button.classList.contains('secondary')), false);
        assert.ok((await download()).bytes.equals(converted.stdout));
        // The edited dictionary is saved as typed.
        const saved = await download('#save');
        assert.equal(saved.name, 'dictionary.dict');
        assert.equal(saved.bytes.toString('utf8'), mended);
    });

    test('the text comes back after a reload, and leaving with edits not saved asks first', async () => {
        await openPage();
        await page.click('#new');
        await nextConversion(0);
        const template = await editorText();
        assert.equal(runNative(Buffer.from(template)).status, 0);
        assert.equal(await page.$eval('#status', (shown) => shown.textContent.startsWith('No problems found.')), true);
        // An edit to the template's class name, then a reload at once.
        await page.click('.cm-content');
        await moveTo(3);
        await page.keyboard.press('End');
        for (let left = 0; left < '</CNAME>'.length; ++left)
            await page.keyboard.press('ArrowLeft');
        await page.keyboard.type(' with an edit');
        const edited = await editorText();
        assert.match(await page.$eval('#run p', (shown) => shown.textContent), /^dictionary\.dict edited, not saved$/);
        const asked = leaveQuestions.length;
        await page.reload();
        await nextConversion(0);
        assert.deepEqual(leaveQuestions.slice(asked), ['beforeunload']);
        assert.equal(await editorText(), edited);
        assert.equal(await page.$eval('#note', (shown) => shown.textContent),
                     'Kept by this browser since your last visit, with edits not saved to a file.');
        assert.match(await page.$eval('#run p', (shown) => shown.textContent), /^dictionary\.dict edited, not saved$/);
        assert.ok((await download()).bytes.equals(runNative(Buffer.from(edited)).stdout));
        // Ctrl+S saves the dictionary; saved, it is no longer marked, and leaving asks nothing.
        await page.click('.cm-content');
        const saved = await downloadWith(() => pressWithControl('s'));
        assert.equal(saved.name, 'dictionary.dict');
        assert.equal(saved.bytes.toString('utf8'), edited);
        assert.equal(await page.$eval('#document-state', (shown) => shown.hidden), true);
        await page.reload();
        await nextConversion(0);
        assert.equal(leaveQuestions.length, asked + 1);
        assert.equal(await editorText(), edited);
        // An empty text is not offered for saving.
        await page.click('.cm-content');
        await pressWithControl('a');
        await page.keyboard.press('Delete');
        assert.equal(await page.$eval('#save', (button) => button.disabled), true);
    });

    test('replacing edited text asks first, and undo brings it back', async () => {
        await openPage();
        await page.click('#new');
        await nextConversion(0);
        await page.click('.cm-content');
        await page.keyboard.type('<!-- mine -->\n');
        const mine = await editorText();
        // Kept: the question's "Keep it" leaves the text as it was.
        await page.click('[data-example="fasteners.dict"]');
        await page.waitForSelector('#replace-dialog[open]');
        assert.match(await page.$eval('#replace-text', (shown) => shown.textContent),
                     /^dictionary\.dict has edits that are not saved to a file\. fasteners\.dict takes its place; Ctrl\+Z/);
        await page.click('#replace-cancel');
        assert.equal(await editorText(), mine);
        // Replaced, then brought back by undo, with its name.
        const count = await conversions();
        await page.click('[data-example="fasteners.dict"]');
        await page.waitForSelector('#replace-dialog[open]');
        await page.click('#replace-confirm');
        await nextConversion(count);
        assert.equal(await editorText(), readFileSync(fromRoot('examples/fasteners.dict'), 'utf8'));
        await page.click('.cm-content');
        await pressWithControl('z');
        await nextConversion(count + 1);
        assert.equal(await editorText(), mine);
        assert.match(await page.$eval('#run p', (shown) => shown.textContent), /^dictionary\.dict edited, not saved$/);
        assert.ok((await download()).bytes.equals(runNative(Buffer.from(mine)).stdout));
    });

    test('rows pasted from a spreadsheet inside a table become its columns, and a value error marks its cell', async () => {
        // The fasteners example without the columns of its table.
        const example = readFileSync(fromRoot('examples/fasteners.dict'), 'utf8');
        const lines = example.split('\n');
        assert.equal(lines[9], '<TABLE BSU="T1">');
        const file = writeInput('no-columns.dict', [...lines.slice(0, 10), '', ...lines.slice(12)].join('\n'));
        await convertOnPage(file);
        await page.click('.cm-content');
        await moveTo(11);
        // Rows of unequal length, and a decimal comma in the REAL column: the
        // comma stays, for the conversion to mark in its cell.
        let count = await conversions();
        await paste('M6\t20\r\nM8\t30\r\nM10\t12,5\r\nM12\r\n');
        const pasted = await editorText();
        assert.deepEqual(pasted.split('\n').slice(9, 13), [
            '<TABLE BSU="T1">',
            '<COLUMN><TD>M6</TD> <TD>M8</TD> <TD>M10</TD> <TD>M12</TD></COLUMN>',
            '<COLUMN><TD>20</TD> <TD>30</TD> <TD>12,5</TD></COLUMN>',
            '</TABLE>',
        ]);
        assert.equal(await page.$eval('#note', (shown) => shown.textContent),
                     'Pasted 4 rows as 2 columns, one for each property. The rows have 1 to 2 cells, so some ' +
                     'columns are shorter than others: check that each column holds one value for each row.');
        await nextConversion(count);
        const expected = runNative(Buffer.from(pasted));
        assert.deepEqual((await shownDiagnostics()).map(({ text, line, severity }) => ({ text, line, severity })),
                         expected.diagnostics);
        const first = expected.diagnostics.find((diagnostic) => diagnostic.severity === 'error');
        assert.equal(first.text, "dict2step: line 12: table 'T1' of class 'C11', column 2, row 3: '12,5' is not a REAL number");
        assert.equal(await page.$eval('#status', (shown) => shown.textContent),
                     `Line 12: ${first.text.replace(/^dict2step: line 12: /, '')} (1 more problem below)`);
        // The value error marks the cell that holds 12,5, not its whole line.
        assert.deepEqual(await page.$$eval('.cm-lintRange-error', (marks) => marks.map((mark) => mark.textContent)),
                         ['<TD>12,5</TD>']);

        // One undo takes the whole paste back; rows of equal length make the example.
        await pressWithControl('z');
        assert.equal((await editorText()).split('\n')[10], '');
        count = await conversions();
        await paste('M6\t20\r\nM8\t30\r\n');
        assert.equal(await editorText(), example);
        assert.equal(await page.$eval('#note', (shown) => shown.textContent), 'Pasted 2 rows as 2 columns, one for each property.');
        await nextConversion(count);
        assert.equal(await page.$eval('#status', (shown) => shown.dataset.status), '0');
        assert.ok((await download()).bytes.equals(runNative(Buffer.from(example)).stdout));

        // Outside a table, rows are pasted as they are.
        await moveTo(2);
        await page.keyboard.press('End');
        await paste('M6\t20\nM8\t30\n');
        assert.deepEqual((await editorText()).split('\n').slice(1, 4),
                         ['<!-- A small parts library: fasteners with bolts and nuts. -->M6\t20', 'M8\t30', '']);
    });

    test('completing an opening tag writes its end tag', async () => {
        await openPage();
        await page.click('.cm-content');
        const complete = async (typed, expectedFirst) => {
            await page.keyboard.type(typed);
            await page.waitForSelector('.cm-tooltip-autocomplete li[aria-selected]', { timeout: 5000 });
            assert.equal(await page.$eval('.cm-tooltip-autocomplete li[aria-selected] .cm-completionLabel',
                                          (label) => label.textContent), expectedFirst);
            // The list takes a key only after a moment, so that a fast typist is not caught by it.
            await new Promise((resolve) => setTimeout(resolve, 150));
            await page.keyboard.press('Enter');
        };
        await complete('<', '<SUPPLIER_LIBRARY');
        await page.keyboard.type('S1');
        await page.keyboard.press('Tab');
        await complete('<', '<CLASS');
        await page.keyboard.type('C1');
        await page.keyboard.press('Tab');
        await complete('<', '<CNAME');
        await page.keyboard.type('Bolts');
        const text = await editorText();
        assert.equal(text, '<SUPPLIER_LIBRARY BSU="S1">\n<CLASS BSU="C1">\n  <CNAME>Bolts</CNAME>\n</CLASS>\n</SUPPLIER_LIBRARY>');
        await page.waitForFunction(() => document.getElementById('status').dataset.status === '0' &&
                                   document.getElementById('status').className !== 'pending');
        assert.ok((await download()).bytes.equals(runNative(Buffer.from(text)).stdout));
        // The tag that closes the class is highlighted with the one at the cursor.
        await moveTo(2);
        assert.deepEqual(await page.$$eval('.cm-matchingTag', (tags) => tags.map((tag) => tag.textContent)),
                         ['<CLASS BSU="C1">', '</CLASS>']);
    });

    // A converter without -r refuses it as an unknown option, with status 2.
    const readsBack = spawnSync(native, ['-r'], { input: '' }).status !== 2;
    test('an exchange file opened is read back into a new dictionary, and one that cannot be read says why',
         { skip: readsBack ? false : 'this dict2step has no -r' }, async () => {
        const exchange = writeInput('fasteners.stp', runNative(readFileSync(fromRoot('examples/fasteners.dict'))).stdout);
        const back = runNative(readFileSync(exchange), ['-r']);
        assert.equal(back.status, 0);
        await openPage();
        await page.click('#new');
        await nextConversion(0);
        await page.click('.cm-content');
        await page.keyboard.type('<!-- mine -->\n');
        const mine = await editorText();
        // Broken, it is refused with the reader's messages, and the text stays.
        const broken = writeInput('broken.stp', readFileSync(exchange).subarray(0, 400));
        const refused = runNative(readFileSync(broken), ['-r']);
        assert.equal(refused.status, 1);
        await (await page.$('#file')).uploadFile(broken);
        await page.waitForFunction(() => !document.getElementById('notice').hidden, { timeout: CASE_TIMEOUT });
        assert.equal(await page.$eval('#notice', (shown) => shown.textContent),
                     ['broken.stp could not be read back into a dictionary:',
                      ...refused.diagnostics.map((diagnostic) => diagnostic.text.replace(/^dict2step: /gm, ''))].join(' '));
        assert.equal(await editorText(), mine);
        // Read back, after the question, as a dictionary named after the file, not yet saved.
        const count = await conversions();
        await (await page.$('#file')).uploadFile(exchange);
        await page.waitForSelector('#replace-dialog[open]', { timeout: CASE_TIMEOUT });
        await page.click('#replace-confirm');
        await nextConversion(count);
        assert.equal(await editorText(), back.stdout.toString('utf8'));
        assert.match(await page.$eval('#note', (shown) => shown.textContent),
                     /^Read back from the exchange file fasteners\.stp by dict2step -r: a new dictionary, fasteners\.dict, not saved/);
        assert.match(await page.$eval('#run p', (shown) => shown.textContent), /^fasteners\.dict \(.*\) edited, not saved$/);
        const saved = await download('#save');
        assert.equal(saved.name, 'fasteners.dict');
        assert.ok(saved.bytes.equals(back.stdout));
        assert.ok((await download()).bytes.equals(runNative(back.stdout).stdout));
    });

    for (const example of ['fasteners', 'drive-components']) {
        test(`the example ${example} opens and converts as on the command line`, async () => {
            await openPage();
            await page.click(`[data-example="${example}.dict"]`);
            await nextConversion(0);
            const input = readFileSync(fromRoot(`examples/${example}.dict`));
            const saved = await download('#save');
            assert.equal(saved.name, `${example}.dict`);
            assert.ok(saved.bytes.equals(input));
            const { name, bytes } = await download();
            assert.equal(name, `${example}.stp`);
            assert.ok(bytes.equals(runNative(input).stdout));
            assert.equal(await page.$eval('#status', (shown) => shown.textContent.startsWith('No problems found.')), true);
        });
    }

    test('the tree leads to the text, and the text to the tree', async () => {
        await openPage();
        await page.click('[data-example="fasteners.dict"]');
        await nextConversion(0);
        await expandTree();
        const clickLabel = async (label, text) => {
            const labels = await page.$$(label);
            for (const handle of labels)
                if ((await handle.evaluate((shown) => shown.textContent)).includes(text)) {
                    await handle.click();
                    return;
                }
            assert.fail(`no ${label} holds ${text}`);
        };
        // A class selects the line of its tag, a property the line of its own.
        await clickLabel('.class-label', 'Bolts');
        await waitForCursorLine(6);
        await clickLabel('.property-label', 'Length');
        await waitForCursorLine(9);
        // The class whose text holds the cursor is the one marked in the tree.
        const markedClass = () => page.$eval('#tree .at-cursor > summary .class-name', (name) => name.textContent);
        await page.click('.cm-content');
        for (const [line, name] of [[12, 'Bolts'], [16, 'Nuts'], [18, 'Fasteners']]) {
            await moveTo(line);
            assert.equal(await markedClass(), name, `the class at line ${line}`);
        }
        // The tree of the next conversion has the same classes open.
        const openClasses = () => shownTexts('#tree details[open] > summary .class-name');
        const open = await openClasses();
        const count = await conversions();
        await moveTo(2);
        await page.keyboard.press('End');
        await page.keyboard.type(' ');
        await nextConversion(count);
        assert.deepEqual(await openClasses(), open);
    });

    test('every control is in reach of the keyboard, and the text is readable', async () => {
        await openPage();
        await page.click('[data-example="fasteners.dict"]');
        await nextConversion(0);
        await page.click('.cm-content');
        await pressWithControl('End');
        await page.keyboard.type('</CLASS>');
        await nextConversion(1);
        await expandTree();
        // Tab from the top of the page reaches each kind of control once at least.
        await page.evaluate(() => document.activeElement.blur());
        const reached = new Set();
        const focused = () => page.evaluate(() => {
            const at = document.activeElement;
            return at.id || at.className.split(' ').find((name) => ['cm-content', 'go-to-line', 'source'].includes(name)) || at.tagName;
        });
        let indented = false;
        for (let press = 0; press < 60; ++press) {
            // In the text Tab indents, and Escape then Tab goes on.
            if (await focused() === 'cm-content') {
                if (!indented) {
                    const text = await editorText();
                    await page.keyboard.press('Tab');
                    assert.equal(await focused(), 'cm-content');
                    assert.notEqual(await editorText(), text);
                    indented = true;
                }
                await page.keyboard.press('Escape');
            }
            await page.keyboard.press('Tab');
            reached.add(await focused());
        }
        for (const control of ['new', 'file', 'save', 'help-button', 'example-fasteners', 'example-drive', 'download',
                               'cm-content', 'expand-all', 'collapse-all', 'go-to-line', 'source'])
            assert.ok(reached.has(control), `${control} is not reached by Tab`);
        // Text against what is behind it: at least 4.5 to 1, in the light
        // scheme and in the dark one, the help included.
        await page.click('#help-button');
        for (const scheme of ['light', 'dark']) {
            await page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: scheme }]);
            const ratios = await contrasts();
            assert.ok(ratios.length > 80);
            for (const { text, ratio } of ratios)
                assert.ok(ratio >= 4.5, `"${text}" has a contrast of ${ratio.toFixed(2)} in the ${scheme} scheme`);
        }
        await page.emulateMediaFeatures([]);
    });

    // The contrast of each text on the page against what is behind it.
    async function contrasts() {
        return page.evaluate(() => {
            const rgba = (color) => {
                const values = color.match(/[\d.]+/g).map(Number);
                return [...values.slice(0, 3), values.length > 3 ? values[3] : 1];
            };
            const luminance = (rgb) => {
                const [r, g, b] = rgb.map((value) => {
                    const channel = value / 255;
                    return channel <= 0.03928 ? channel / 12.92 : ((channel + 0.055) / 1.055) ** 2.4;
                });
                return 0.2126 * r + 0.7152 * g + 0.0722 * b;
            };
            // The backgrounds from the first opaque one up to the element's, laid over each other.
            const background = (shown) => {
                const layers = [];
                for (let at = shown; at !== null; at = at.parentElement) {
                    const layer = rgba(getComputedStyle(at).backgroundColor);
                    if (layer[3] > 0)
                        layers.unshift(layer);
                    if (layer[3] === 1)
                        break;
                }
                return layers.reduce((under, [r, g, b, a]) => [r, g, b].map((value, i) => value * a + under[i] * (1 - a)),
                                     [255, 255, 255]);
            };
            const texts = [...document.querySelectorAll('.cm-line span, .cm-lineNumbers .cm-gutterElement, button, .button, #status, #status-detail, #cursor-position, #document-name, #document-state, #tree span, #diagnostics span, #counts dt, #counts dd, header p, .examples > span, #help :is(p, li, dt, dd, code, h2, h3)')];
            return texts.filter((shown) => shown.textContent.trim() !== '' && shown.checkVisibility()).map((shown) => {
                const [light, dark] = [luminance(rgba(getComputedStyle(shown).color).slice(0, 3)), luminance(background(shown))]
                    .sort((a, b) => b - a);
                return { text: shown.textContent.slice(0, 30), ratio: (light + 0.05) / (dark + 0.05) };
            });
        });
    }

    test('at 360 pixels wide the text starts on the first screen, and nothing scrolls sideways', async () => {
        await page.setViewport({ width: 360, height: 740 });
        try {
            await openPage();
            await page.click('[data-example="drive-components.dict"]');
            await nextConversion(0);
            const top = await page.$eval('.cm-editor', (editor) => editor.getBoundingClientRect().top + window.scrollY);
            assert.ok(top < 740 / 2, `the text starts ${top} px down`);
            // The help fits the width and reads down; Escape closes it.
            await page.click('#help-button');
            const help = await page.$eval('#help', (panel) => ({
                width: panel.getBoundingClientRect().width, scrolled: panel.scrollWidth - panel.clientWidth,
                traps: panel.querySelectorAll('.traps li').length, focused: document.activeElement.id }));
            assert.deepEqual(help, { width: 360, scrolled: 0, traps: 8, focused: 'help-close' });
            await page.keyboard.press('Escape');
            assert.equal(await page.$eval('#help', (panel) => panel.hidden), true);
            await page.click('.cm-content');
            await page.keyboard.type('<CLASS BSU="a code long enough to need more than one line at this width">');
            await nextConversion(1);
            await expandTree();
            const widths = await page.evaluate(() => ({ page: document.documentElement.scrollWidth, view: document.documentElement.clientWidth }));
            assert.ok(widths.page <= widths.view, `${widths.page} px of page in ${widths.view} px`);
            // A long file name, which the download button repeats, wraps too.
            const longNamed = writeInput('Verbindungselemente_Katalog_2024_final_v3.dict', readFileSync(fromRoot('examples/fasteners.dict')));
            await (await page.$('#file')).uploadFile(longNamed);
            // The typed text is not saved: the page asks before it replaces it.
            await page.waitForSelector('#replace-dialog[open]');
            await page.click('#replace-confirm');
            await nextConversion(2);
            const named = await page.evaluate(() => ({ page: document.documentElement.scrollWidth, view: document.documentElement.clientWidth }));
            assert.ok(named.page <= named.view, `${named.page} px of page in ${named.view} px with a long file name`);
        } finally {
            await page.setViewport({ width: 800, height: 600 });
        }
    });
});
