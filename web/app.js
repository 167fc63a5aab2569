// The page: an editor of the dictionary's text that has worker.js convert
// the text whenever typing pauses, and shows the result: what the
// converter found, as marks in the text and as a list; the counts; the class
// tree; and the exchange file to download.
import { createEditor, goToLine, lineText, replaceText, setEditable, showMarks, textOf } from './editor.js';
import { clearTree, collapseAll, expandAll, setUpTree, showClassAt, showTree } from './tree.js';
import { element, plural } from './dom.js';

// Milliseconds of no typing after which the text is converted.
const TYPING_PAUSE = 300;
// Files larger than this are shown read-only: above it, each pause in typing
// would hold the page too long (README, "In the browser", gives the measurements).
const EDIT_LIMIT = 5e6;
// A conversion that takes longer than this shows that it is at work.
const WORKING_DELAY = 250;
// A diagnostic in the list shows at most this many characters of its line.
const SOURCE_LINE_LIMIT = 500;

const page = {
    body: document.body,
    file: document.getElementById('file'),
    examples: document.querySelectorAll('[data-example]'),
    save: document.getElementById('save'),
    download: document.getElementById('download'),
    documentName: document.getElementById('document-name'),
    notice: document.getElementById('notice'),
    note: document.getElementById('note'),
    working: document.getElementById('working'),
    progress: document.getElementById('progress'),
    progressText: document.getElementById('progress-text'),
    status: document.getElementById('status'),
    statusDetail: document.getElementById('status-detail'),
    editor: document.getElementById('editor'),
    cursorPosition: document.getElementById('cursor-position'),
    diagnostics: document.getElementById('diagnostics'),
    countsSection: document.getElementById('counts-section'),
    counts: document.getElementById('counts'),
    tree: document.getElementById('tree'),
    expandAll: document.getElementById('expand-all'),
    collapseAll: document.getElementById('collapse-all'),
    dropHint: document.getElementById('drop-hint'),
};

// What is being edited.
const current = {
    name: 'dictionary.dict',     // the file name it came from, or the one a save gives it
    file: null,                  // the opened file, converted and saved as it is until the text is edited
    textReady: Promise.resolve(),  // settles when the opened file's text is in the editor
    opened: 0,                   // counts the files opened, so that only the last one's text goes in
};

// The conversion.
const conversion = {
    worker: null,
    running: false,
    generation: 0,               // counts the conversions begun, so that a late end of one replaced is ignored
    started: 0,                  // performance.now() when it began
    typingTimer: null,
    workingTimer: null,
    output: [],                  // the last finished conversion's exchange file, in chunks
};

let cursorFrame = 0;
let cursorLine = 1;

const view = createEditor(page.editor, { onChange: textChanged, onCursor: cursorMoved, onNote: showNote });
setUpTree(page.tree, (line) => goToLine(view, line, { select: true, focus: false }));

function formatBytes(bytes) {
    if (bytes < 1000)
        return `${bytes} bytes`;
    if (bytes < 1e6)
        return `${(bytes / 1e3).toFixed(1)} kB`;
    return `${(bytes / 1e6).toFixed(1)} MB`;
}

// NAME for NAME.dict, NAME.xml or NAME.
function baseName(name) {
    const dot = name.lastIndexOf('.');
    return dot > 0 ? name.slice(0, dot) : name;
}

function offer(blob, name) {
    const url = URL.createObjectURL(blob);
    const link = element('a');
    link.href = url;
    link.download = name;
    link.click();
    setTimeout(() => URL.revokeObjectURL(url), 60_000);
}

// --- The text ---------------------------------------------------------

function textChanged() {
    current.file = null;
    showNote('');
    // A conversion of the text before this change says nothing of this one,
    // and its exchange file is not this text's.
    stopConversion();
    page.download.disabled = true;
    page.download.title = 'The text has changed: its exchange file comes when typing pauses.';
    conversion.typingTimer = setTimeout(convertText, TYPING_PAUSE);
}

// Shows the line of the cursor and its class in the tree, once a frame.
function cursorMoved(line) {
    cursorLine = line;
    if (cursorFrame !== 0)
        return;
    cursorFrame = requestAnimationFrame(() => {
        cursorFrame = 0;
        page.cursorPosition.textContent = `Line ${cursorLine.toLocaleString('en')}`;
        page.cursorPosition.dataset.line = String(cursorLine);
        showClassAt(cursorLine);
    });
}

// Puts a file into the editor, read-only when large, and converts it as it is.
async function openDocument(name, file) {
    stopConversion();
    // The text in the editor is not edited while the file's takes its place.
    setEditable(view, false);
    current.name = name;
    current.file = file;
    // ?editlimit=MB sets another limit, to measure editing at other sizes.
    const limit = Number(new URLSearchParams(location.search).get('editlimit')) * 1e6 || EDIT_LIMIT;
    const editable = file.size <= limit;
    page.documentName.textContent = `${name} (${formatBytes(file.size)})`;
    const notes = [];
    if (!editable)
        notes.push(`This file is larger than ${formatBytes(limit)}, where editing here gets slow, ` +
                   'so its text is shown read-only. Its problems and classes are shown as for any other; ' +
                   'to change it, use another editor and open it again.');
    if (file.size > 0)
        startConversion(file);
    else
        showNothingToConvert();
    const opened = ++current.opened;
    current.textReady = textOf(file).then(({ text, utf8 }) => {
        if (opened !== current.opened)
            return;
        // Edited, the text would be saved as UTF-8, and the bytes shown as
        // U+FFFD would be lost.
        if (!utf8 && editable)
            notes.push('This file is not in UTF-8: the characters shown as \ufffd stand for bytes that ' +
                       'are not, so its text is shown read-only, and it is converted and saved with its own ' +
                       'bytes. To edit it here, save it as UTF-8 in another editor and open it again.');
        showNotice(notes);
        replaceText(view, text, editable && utf8);
        cursorMoved(1);
    }, (error) => {
        showNotice([...notes, `The file could not be read: ${error.message}.`]);
        replaceText(view, '', false);
    });
    await current.textReady;
}

function showNotice(notes) {
    page.notice.textContent = notes.join(' ');
    page.notice.hidden = notes.length === 0;
}

// A note on what just happened to the text, such as what a paste did; the
// next edit takes it away.
function showNote(text) {
    page.note.textContent = text;
    page.note.hidden = text === '';
}

async function openExample(name) {
    const response = await fetch(`examples/${name}`);
    if (!response.ok) {
        showNotice([`The example ${name} could not be loaded (HTTP status ${response.status}).`]);
        return;
    }
    await openDocument(name, await response.blob());
}

function saveDictionary() {
    const content = current.file ?? view.state.doc.toString();
    offer(new Blob([content], { type: 'application/octet-stream' }), `${baseName(current.name)}.dict`);
}

// --- Conversion -------------------------------------------------------

function convertText() {
    conversion.typingTimer = null;
    if (view.state.doc.length === 0) {
        showNothingToConvert();
        return;
    }
    startConversion(new TextEncoder().encode(view.state.doc.toString()));
}

function stopConversion() {
    clearTimeout(conversion.typingTimer);
    conversion.typingTimer = null;
    clearTimeout(conversion.workingTimer);
    page.working.hidden = true;
    if (conversion.running) {
        conversion.worker.terminate();
        conversion.worker = null;
        conversion.running = false;
    }
}

function newWorker() {
    const worker = new Worker('worker.js');
    worker.onmessage = (event) => {
        const message = event.data;
        if (message.type === 'progress')
            showProgress(message);
        else if (message.type === 'done')
            finishConversion(message);
    };
    worker.onerror = (event) => {
        event.preventDefault();
        finishConversion({ status: null, crash: `the converter could not run: ${event.message}`,
                           output: [], diagnostics: [], summary: null });
    };
    return worker;
}

// Converts a file, or the bytes of the text, in the worker; the bytes'
// buffer goes to the worker.
function startConversion(source) {
    stopConversion();
    conversion.worker ??= newWorker();
    conversion.running = true;
    conversion.generation += 1;
    conversion.started = performance.now();
    page.body.dataset.state = 'converting';
    page.progress.removeAttribute('value');
    page.progress.dataset.updates = '0';
    page.progressText.textContent = 'Converting…';
    conversion.workingTimer = setTimeout(() => { page.working.hidden = false; }, WORKING_DELAY);
    // ?memory=MB limits the converter's memory, to see how the page reports running out.
    const memory = Number(new URLSearchParams(location.search).get('memory'));
    conversion.worker.postMessage({ source, memoryLimit: memory > 0 ? memory * 1e6 : 0 },
                                  source instanceof Blob ? [] : [source.buffer]);
}

function showProgress(message) {
    page.progress.dataset.updates = String(Number(page.progress.dataset.updates) + 1);
    if (message.total) {
        page.progress.max = message.total;
        page.progress.value = message.done;
        page.progressText.textContent = `Reading: ${formatBytes(message.done)} of ${formatBytes(message.total)}`;
    } else {
        page.progress.removeAttribute('value');
        page.progressText.textContent = `Writing: ${formatBytes(message.written)} written`;
    }
}

async function finishConversion(result) {
    const elapsed = performance.now() - conversion.started;
    conversion.running = false;
    if (result.crash !== null) {
        // A worker whose converter crashed is not trusted with another conversion.
        conversion.worker.terminate();
        conversion.worker = null;
    }
    clearTimeout(conversion.workingTimer);
    page.working.hidden = true;
    conversion.output = result.output;
    const generation = conversion.generation;
    await current.textReady;
    if (generation !== conversion.generation)
        return;
    showStatus(result, elapsed);
    showDownload(result);
    showDiagnostics(result.diagnostics);
    showMarks(view, result.diagnostics);
    // A tree still being built when the next conversion began is not its.
    const finished = () => {
        if (generation !== conversion.generation)
            return;
        page.body.dataset.conversions = String(Number(page.body.dataset.conversions ?? 0) + 1);
        page.body.dataset.state = 'done';
    };
    if (result.summary === null) {
        page.countsSection.hidden = true;
        clearTree();
        finished();
        return;
    }
    showCounts(result.summary);
    showTree(result.summary.tree, result.summary.classes, () => {
        showClassAt(cursorLine);
        finished();
    });
}

function showNothingToConvert() {
    stopConversion();
    page.status.textContent = 'Nothing to convert yet: type a dictionary, open a file, or start from an example.';
    page.status.className = '';
    delete page.status.dataset.status;
    page.statusDetail.textContent = '';
    page.download.hidden = true;
    conversion.output = [];
    page.diagnostics.replaceChildren();
    showMarks(view, []);
    page.countsSection.hidden = true;
    clearTree();
}

// --- What the conversion found ----------------------------------------

function showStatus(result, elapsed) {
    const seconds = `${(elapsed / 1000).toFixed(1)} s`;
    if (result.crash !== null) {
        const memory = /memory|allocation failed/i.test(result.crash);
        page.status.dataset.status = 'crash';
        page.status.className = 'failed';
        page.status.textContent = `${memory ? 'The converter ran out of memory' : 'The converter crashed'}: ` +
            `${result.crash}. The exchange file is unfinished.`;
        page.statusDetail.textContent = `no exit status · ${seconds}`;
        return;
    }
    const errors = result.diagnostics.filter((diagnostic) => diagnostic.severity === 'error').length;
    const warnings = result.diagnostics.length - errors;
    const entities = result.summary === null ? '' : plural(result.summary.entities, 'entity', 'entities');
    let words;
    if (result.status === 0 && warnings === 0)
        words = `No problems found. Converted: ${entities}.`;
    else if (result.status === 0)
        words = `Converted: ${entities}, with ${plural(warnings, 'warning', 'warnings')} below.`;
    else if (result.status === 1)
        words = `The dictionary has ${errors === 1 ? 'an error' : 'errors'}: see the problems below. ` +
                'The exchange file holds only what could be converted.';
    else if (result.status === 2)
        words = 'Stopped: the text could not be read, went past a limit of the converter, or memory ' +
                'ran out. The exchange file is unfinished.';
    else
        words = 'The converter ended in a way it should not.';
    page.status.dataset.status = String(result.status);
    page.status.className = result.status === 0 ? 'succeeded' : 'failed';
    page.status.textContent = words;
    page.statusDetail.textContent = `exit status ${result.status} · ${seconds}`;
}

// The bytes go into a Blob only when asked for: for a large file that takes
// a while. A run that wrote nothing offers nothing; a run that failed offers
// its file as the lesser choice, saying that it has errors.
function showDownload(result) {
    const size = result.output.reduce((sum, chunk) => sum + chunk.byteLength, 0);
    page.download.hidden = size === 0;
    const failed = result.status !== 0;
    const name = `${baseName(current.name)}.stp`;
    page.download.disabled = false;
    page.download.title = '';
    page.download.classList.toggle('secondary', failed);
    page.download.textContent = failed
        ? `Download ${name} anyway (it has errors; ${formatBytes(size)})`
        : `Download ${name} (${formatBytes(size)})`;
    page.download.dataset.name = name;
}

function downloadExchangeFile() {
    offer(new Blob(conversion.output, { type: 'application/octet-stream' }), page.download.dataset.name);
}

function showDiagnostics(diagnostics) {
    page.diagnostics.replaceChildren();
    if (diagnostics.length === 0) {
        page.diagnostics.append(element('li', 'none', 'No problems found.'));
        return;
    }
    for (const diagnostic of diagnostics) {
        const item = element('li', `diagnostic ${diagnostic.severity}`);
        item.append(element('span', 'message', diagnostic.text));
        if (diagnostic.line !== null) {
            item.dataset.line = String(diagnostic.line);
            const source = element('button', 'source');
            source.type = 'button';
            source.title = `Go to line ${diagnostic.line}`;
            source.append(element('span', 'line-number', `${diagnostic.line}`));
            const text = lineText(view, diagnostic.line);
            if (text === null || (text === '' && diagnostic.line === view.state.doc.lines))
                source.append(element('span', 'line-text end', 'at the end of the text'));
            else
                source.append(element('span', 'line-text',
                    text.length > SOURCE_LINE_LIMIT ? `${text.slice(0, SOURCE_LINE_LIMIT)}…` : text));
            source.addEventListener('click', () => goToLine(view, diagnostic.line));
            item.append(source);
        }
        page.diagnostics.append(item);
    }
}

function showCounts(summary) {
    page.countsSection.hidden = false;
    page.counts.replaceChildren();
    for (const name of ['classes', 'properties', 'tables', 'cells', 'entities']) {
        const value = element('dd', '', summary[name].toLocaleString('en'));
        value.id = `count-${name}`;
        value.dataset.count = String(summary[name]);
        const group = element('div');
        group.append(element('dt', '', name), value);
        page.counts.append(group);
    }
}

// --- Files in and out -------------------------------------------------

function pickFirst(files) {
    if (files !== null && files.length > 0)
        openDocument(files[0].name, files[0]);
    // Choosing the same file again opens it again.
    page.file.value = '';
}

function carriesFiles(event) {
    return event.dataTransfer !== null && [...event.dataTransfer.types].includes('Files');
}

page.file.addEventListener('change', () => pickFirst(page.file.files));
for (const button of page.examples)
    button.addEventListener('click', () => openExample(button.dataset.example));
page.save.addEventListener('click', saveDictionary);
page.download.addEventListener('click', downloadExchangeFile);
page.expandAll.addEventListener('click', expandAll);
page.collapseAll.addEventListener('click', collapseAll);

// A file dropped anywhere on the page, the text included, is opened rather
// than shown by the browser in place of the page or pasted into the text.
document.addEventListener('dragover', (event) => {
    if (!carriesFiles(event))
        return;
    event.preventDefault();
    page.dropHint.hidden = false;
}, true);
document.addEventListener('dragleave', (event) => {
    if (event.relatedTarget === null)
        page.dropHint.hidden = true;
}, true);
document.addEventListener('drop', (event) => {
    if (!carriesFiles(event))
        return;
    event.preventDefault();
    event.stopPropagation();
    page.dropHint.hidden = true;
    pickFirst(event.dataTransfer.files);
}, true);

showNothingToConvert();
