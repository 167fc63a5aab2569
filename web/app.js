// The page: an editor of the dictionary's text that has worker.js convert
// the text whenever typing pauses, and shows the result: what the
// converter found, as marks in the text and as a list; the counts; the class
// tree; and the exchange file to download. The text is kept in the
// browser's storage as it is typed, and nothing edited is replaced or left
// without a question first.
import {
    createEditor, documentName, goToLine, isEditable, lineText, replaceText, setEditable, showMarks, textOf,
} from './editor.js';
import { clearTree, collapseAll, expandAll, setUpTree, showClassAt, showTree } from './tree.js';
import { element } from './dom.js';
import { showCounts, showProblems, statusOf } from './report.js';
import { forgetText, keepModified, keepText, keptText } from './storage.js';

// Milliseconds of no typing after which the text is converted and kept.
const TYPING_PAUSE = 300;
// Files larger than this are shown read-only: above it, each pause in typing
// would hold the page too long (README, "In the browser", gives the measurements).
const EDIT_LIMIT = 5e6;
// A conversion that takes longer than this shows that it is at work.
const WORKING_DELAY = 250;
// An exchange file begins so, after any blanks.
const EXCHANGE_FILE_START = 'ISO-10303-21;';

// What "New dictionary" starts from: the smallest dictionary that shows each
// element once, and converts with no problem.
const TEMPLATE = [
    '<SUPPLIER_LIBRARY BSU="S1">',
    '<CLASS BSU="C1">',
    '  <CNAME>First class</CNAME>',
    '  <PROPERTY BSU="P1"><PNAME>First property</PNAME><PTYPE>STRING</PTYPE></PROPERTY>',
    '  <TABLE BSU="T1">',
    '    <COLUMN><TD>first value</TD> <TD>second value</TD></COLUMN>',
    '  </TABLE>',
    '</CLASS>',
    '</SUPPLIER_LIBRARY>',
    '',
].join('\n');

const page = {
    body: document.body,
    newDictionary: document.getElementById('new'),
    file: document.getElementById('file'),
    examples: document.querySelectorAll('[data-example]'),
    save: document.getElementById('save'),
    download: document.getElementById('download'),
    helpButton: document.getElementById('help-button'),
    help: document.getElementById('help'),
    helpClose: document.getElementById('help-close'),
    replaceDialog: document.getElementById('replace-dialog'),
    replaceText: document.getElementById('replace-text'),
    documentName: document.getElementById('document-name'),
    documentState: document.getElementById('document-state'),
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

// What is being edited; its name is the editor's, which undo takes back.
const current = {
    file: null,                  // the opened file, converted and saved as it is until the text is edited
    modified: false,             // edited since it was opened or saved
    textReady: Promise.resolve(),  // settles when the opened file's text is in the editor
    opened: 0,                   // counts the files opened, so that only the last one's text goes in
    storageTrouble: null,        // why the browser did not keep the text, once said
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

// NAME for NAME.dict, NAME.stp or NAME.
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

// ?editlimit=MB sets another limit, to measure editing at other sizes.
function editLimit() {
    return Number(new URLSearchParams(location.search).get('editlimit')) * 1e6 || EDIT_LIMIT;
}

// --- The text ---------------------------------------------------------

function textChanged({ opened }) {
    page.save.disabled = view.state.doc.length === 0;
    if (opened) {
        showDocument();
        return;
    }
    current.file = null;
    current.modified = true;
    showDocument();
    showNote('');
    // A conversion of the text before this change says nothing of this one,
    // and its exchange file is not this text's; what it found is shown
    // without alarm until typing pauses.
    stopConversion();
    page.download.disabled = true;
    page.download.title = 'The text has changed: its exchange file comes when typing pauses.';
    if (page.status.dataset.status !== undefined) {
        page.status.className = 'pending';
        page.statusDetail.textContent = 'The text has changed: it is converted again when typing pauses.';
    }
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

// The document's name, its size while it is the file as opened, and
// whether it has edits that are not saved.
function showDocument() {
    const name = documentName(view);
    page.documentName.textContent = current.file === null ? name : `${name} (${formatBytes(current.file.size)})`;
    page.documentState.textContent = current.modified ? 'edited, not saved' : '';
    page.documentState.hidden = !current.modified;
}

function showNotice(notes) {
    page.notice.textContent = notes.join(' ');
    page.notice.hidden = notes.length === 0;
}

// A note on what just happened to the text: what it was restored from, or
// what a paste did. The next edit takes it away.
function showNote(text) {
    page.note.textContent = text;
    page.note.hidden = text === '';
}

// Keeps an editable text in the browser's storage; a read-only one (too
// large, or not UTF-8) is not kept, nor the one before it. The text is
// taken from the editor only when it is kept: for a large one that takes a
// while.
function keepCurrentText(given = null) {
    if (!isEditable(view) || view.state.doc.length === 0) {
        forgetText();
        return;
    }
    const text = given ?? view.state.doc.toString();
    const trouble = keepText(text, { name: documentName(view), modified: current.modified });
    if (trouble !== null && current.storageTrouble === null)
        showNotice([`This browser did not keep the text (${trouble}): save it to a file to keep it.`]);
    else if (trouble === null && current.storageTrouble !== null)
        showNotice([]);
    current.storageTrouble = trouble;
}

// Asks before the text with edits that are not saved is replaced by
// another's: resolves to true to go on (after saving it, if asked to).
function askToReplace(nextName, undoable) {
    if (!current.modified || view.state.doc.length === 0)
        return Promise.resolve(true);
    if (page.replaceDialog.open)
        return Promise.resolve(false);
    page.replaceText.textContent = `${documentName(view)} has edits that are not saved to a file. ` +
        `${nextName} takes its place; ` +
        (undoable ? 'Ctrl+Z (⌘Z) in the text brings it back.'
                  : `since ${nextName} is shown read-only, that cannot be undone.`);
    page.replaceDialog.returnValue = '';
    page.replaceDialog.showModal();
    return new Promise((resolve) => {
        page.replaceDialog.addEventListener('close', () => {
            const answer = page.replaceDialog.returnValue;
            if (answer === 'save')
                saveDictionary();
            resolve(answer === 'save' || answer === 'replace');
        }, { once: true });
    });
}

// Puts a file into the editor, read-only when large or not UTF-8, and
// converts it as it is; resolves to whether it did. A small file is read
// before the question, so that the question can say whether undo brings
// back the text it replaces. notes go with the notice about the file.
async function openDocument(name, file, notes = []) {
    const opened = ++current.opened;
    const limit = editLimit();
    const small = file.size <= limit;
    let read = null;
    if (small) {
        try {
            read = await textOf(file);
        } catch (error) {
            showNotice([`${name} could not be read: ${error.message}.`]);
            return false;
        }
    }
    const editable = small && read.utf8;
    const undoable = editable && isEditable(view);
    if (!await askToReplace(name, undoable) || opened !== current.opened)
        return false;
    stopConversion();
    current.file = file;
    current.modified = false;
    if (!small)
        notes.unshift(`This file is larger than ${formatBytes(limit)}, where editing here gets slow, ` +
                   'so its text is shown read-only. Its problems and classes are shown as for any other; ' +
                   'to change it, use another editor and open it again.');
    // Edited, the text would be saved as UTF-8, and the bytes shown as
    // U+FFFD would be lost.
    if (small && !read.utf8)
        notes.unshift('This file is not in UTF-8: the characters shown as \ufffd stand for bytes that ' +
                   'are not, so its text is shown read-only, and it is converted and saved with its own ' +
                   'bytes. To edit it here, save it as UTF-8 in another editor and open it again.');
    showNotice(notes);
    showNote('');
    if (file.size > 0)
        startConversion(file);
    else
        showNothingToConvert();
    if (read !== null) {
        current.textReady = Promise.resolve();
        replaceText(view, read.text, { name, editable, undoable });
        afterReplace();
        return true;
    }
    // A large file is converted while its text is read; the text in the
    // editor is not edited meanwhile.
    setEditable(view, false);
    current.textReady = textOf(file).then(({ text }) => {
        if (opened !== current.opened)
            return;
        replaceText(view, text, { name, editable: false, undoable: false });
        afterReplace();
    }, (error) => {
        showNotice([...notes, `The file could not be read: ${error.message}.`]);
        replaceText(view, '', { name, editable: false, undoable: false });
        afterReplace();
    });
    await current.textReady;
    return true;
}

function afterReplace() {
    page.save.disabled = view.state.doc.length === 0;
    showDocument();
    cursorMoved(1);
    keepCurrentText();
}

async function openExample(name) {
    const response = await fetch(`examples/${name}`);
    if (!response.ok) {
        showNotice([`The example ${name} could not be loaded (HTTP status ${response.status}).`]);
        return;
    }
    await openDocument(name, await response.blob());
}

// Puts a text that no file holds yet into the editor, and converts it.
async function newDocument(name, text, note) {
    const opened = ++current.opened;
    const undoable = isEditable(view);
    if (!await askToReplace(name, undoable) || opened !== current.opened)
        return false;
    stopConversion();
    current.file = null;
    current.modified = false;
    current.textReady = Promise.resolve();
    showNotice([]);
    replaceText(view, text, { name, editable: true, undoable });
    afterReplace();
    showNote(note);
    convertText();
    return true;
}

function saveDictionary() {
    if (view.state.doc.length === 0)
        return;
    const content = current.file ?? view.state.doc.toString();
    offer(new Blob([content], { type: 'application/octet-stream' }), `${baseName(documentName(view))}.dict`);
    current.modified = false;
    showDocument();
    keepModified(documentName(view), false);
}

// The text kept in the browser's storage at the last visit, if any.
function restoreKeptText() {
    const kept = keptText();
    if (kept === null) {
        showNothingToConvert();
        return;
    }
    replaceText(view, kept.text, { name: kept.name, editable: true, undoable: false });
    current.modified = kept.modified;
    afterReplace();
    showNote(`Kept by this browser since your last visit${kept.modified ? ', with edits not saved to a file' : ''}.`);
    convertText();
}

// --- Exchange files read back -----------------------------------------

async function isExchangeFile(file) {
    if (/\.(stp|step|p21)$/i.test(file.name))
        return true;
    const start = await file.slice(0, 256).text();
    return start.replace(/^\ufeff?\s*/, '').startsWith(EXCHANGE_FILE_START);
}

// Reads an exchange file back into a dictionary with dict2step -r, in a
// worker of its own, and opens that as a new dictionary named after it,
// with the warnings of the reading back; one that cannot be read back
// leaves the text as it was, and the page says why.
async function readBack(file) {
    const name = `${baseName(file.name)}.dict`;
    page.working.hidden = false;
    page.progress.removeAttribute('value');
    page.progressText.textContent = `Reading ${file.name} back into a dictionary…`;
    const result = await runOnce(file, ['-r']);
    page.working.hidden = true;
    const said = result.diagnostics.map((diagnostic) => diagnostic.text.replace(/^dict2step: /gm, ''));
    if (result.status !== 0) {
        showNotice([`${file.name} could not be read back into a dictionary` +
                    `${result.crash === null ? '' : ` (${result.crash})`}:`, ...said]);
        return;
    }
    if (!await openDocument(name, new Blob(result.output), said))
        return;
    // The dictionary is the page's own until it is saved.
    current.modified = true;
    showDocument();
    keepModified(name, true);
    showNote(`Read back from the exchange file ${file.name} by dict2step -r: a new dictionary, ${name}, ` +
             'not saved to a file yet.');
}

// --- Conversion -------------------------------------------------------

function convertText() {
    conversion.typingTimer = null;
    const text = view.state.doc.toString();
    keepCurrentText(text);
    if (text.length === 0) {
        showNothingToConvert();
        return;
    }
    startConversion(new TextEncoder().encode(text));
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

function newWorker(onProgress, onDone) {
    const worker = new Worker('worker.js');
    worker.onmessage = (event) => {
        const message = event.data;
        if (message.type === 'progress')
            onProgress(message);
        else if (message.type === 'done')
            onDone(message);
    };
    worker.onerror = (event) => {
        event.preventDefault();
        onDone({ status: null, crash: `the converter could not run: ${event.message}`,
                 output: [], diagnostics: [], summary: null });
    };
    return worker;
}

// Runs the converter once with args on a file, in a worker of its own.
function runOnce(file, args) {
    return new Promise((resolve) => {
        const worker = newWorker(() => {}, (result) => {
            worker.terminate();
            resolve(result);
        });
        worker.postMessage({ source: file, args, memoryLimit: 0 });
    });
}

// Converts a file, or the bytes of the text, in the worker; the bytes'
// buffer goes to the worker.
function startConversion(source) {
    stopConversion();
    conversion.worker ??= newWorker(showProgress, finishConversion);
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
    conversion.worker.postMessage({ source, args: [], memoryLimit: memory > 0 ? memory * 1e6 : 0 },
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
    showStatus(statusOf(result, elapsed));
    showDownload(result);
    showProblems(page.diagnostics, result.diagnostics, {
        lineText: (line) => lineText(view, line),
        lines: view.state.doc.lines,
        goToLine: (line) => goToLine(view, line),
    });
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
    page.countsSection.hidden = false;
    showCounts(page.counts, result.summary);
    showTree(result.summary.tree, result.summary.classes, () => {
        showClassAt(cursorLine);
        finished();
    });
}

function showNothingToConvert() {
    stopConversion();
    page.status.textContent = 'Nothing to convert yet: type a dictionary, start a new one from a template, ' +
                              'open a file, or start from an example. Help says how a dictionary is written.';
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

function showStatus({ code, className, text, detail }) {
    page.status.dataset.status = code;
    page.status.className = className;
    page.status.textContent = text;
    page.statusDetail.textContent = detail;
}

// The bytes go into a Blob only when asked for: for a large file that takes
// a while. A run that wrote nothing offers nothing; a run that failed offers
// its file as the lesser choice, saying that it has errors.
function showDownload(result) {
    const size = result.output.reduce((sum, chunk) => sum + chunk.byteLength, 0);
    page.download.hidden = size === 0;
    const failed = result.status !== 0;
    const name = `${baseName(documentName(view))}.stp`;
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

// --- Files in and out -------------------------------------------------

async function pickFirst(files) {
    const file = files !== null && files.length > 0 ? files[0] : null;
    // Choosing the same file again opens it again.
    page.file.value = '';
    if (file === null)
        return;
    if (await isExchangeFile(file))
        await readBack(file);
    else
        await openDocument(file.name, file);
}

function carriesFiles(event) {
    return event.dataTransfer !== null && [...event.dataTransfer.types].includes('Files');
}

// --- Help -------------------------------------------------------------

function showHelp(shown) {
    page.help.hidden = !shown;
    page.helpButton.setAttribute('aria-expanded', String(shown));
    (shown ? page.helpClose : page.helpButton).focus();
}

page.newDictionary.addEventListener('click', () => newDocument('dictionary.dict', TEMPLATE, ''));
page.file.addEventListener('change', () => pickFirst(page.file.files));
for (const button of page.examples)
    button.addEventListener('click', () => openExample(button.dataset.example));
page.save.addEventListener('click', saveDictionary);
page.download.addEventListener('click', downloadExchangeFile);
page.expandAll.addEventListener('click', expandAll);
page.collapseAll.addEventListener('click', collapseAll);
page.helpButton.addEventListener('click', () => showHelp(page.help.hidden));
page.helpClose.addEventListener('click', () => showHelp(false));
page.help.addEventListener('keydown', (event) => {
    if (event.key === 'Escape')
        showHelp(false);
});

// Ctrl+S (⌘S on a Mac) saves the dictionary, not the page.
window.addEventListener('keydown', (event) => {
    if ((event.ctrlKey || event.metaKey) && !event.altKey && !event.shiftKey && event.key.toLowerCase() === 's') {
        event.preventDefault();
        saveDictionary();
    }
}, true);

// Leaving with edits not saved to a file asks the browser's question; the
// text typed since the last pause is kept first.
window.addEventListener('beforeunload', (event) => {
    if (conversion.typingTimer !== null)
        keepCurrentText();
    if (current.modified)
        event.preventDefault();
});

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

restoreKeptText();
