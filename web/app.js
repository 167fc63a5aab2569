// The page: takes a dictionary file, has worker.js convert it, and shows the
// exit status, the diagnostics, the counts and the class tree, and offers
// the exchange file for download.

// Expanding more classes than this at once would hold the page for long.
const EXPAND_ALL_LIMIT = 20000;
// Trees of more classes lay out only the classes in sight.
const LARGE_TREE = 1000;
// Top-level classes put into the page in one go.
const TREE_BATCH = 500;

const STATUS_WORDS = {
    0: 'Converted: the exchange file is complete.',
    1: 'The dictionary has errors: the diagnostics below say what and where. ' +
       'The exchange file holds what could be converted: after a syntax error, what was ' +
       'read before it; after an unknown data type or a column without a property it is ' +
       'unfinished; after cells that are not numbers it is complete, with the cells as read.',
    2: 'Stopped: the input could not be read, went past a limit of the converter, ' +
       'or memory ran out. The exchange file is unfinished.',
};

const page = {
    body: document.body,
    file: document.getElementById('file'),
    pick: document.getElementById('pick'),
    run: document.getElementById('run'),
    fileName: document.getElementById('file-name'),
    working: document.getElementById('working'),
    progress: document.getElementById('progress'),
    progressText: document.getElementById('progress-text'),
    status: document.getElementById('status'),
    download: document.getElementById('download'),
    diagnosticsSection: document.getElementById('diagnostics-section'),
    diagnostics: document.getElementById('diagnostics'),
    countsSection: document.getElementById('counts-section'),
    counts: document.getElementById('counts'),
    treeSection: document.getElementById('tree-section'),
    tree: document.getElementById('tree'),
    expandAll: document.getElementById('expand-all'),
    collapseAll: document.getElementById('collapse-all'),
};

let worker = null;
let downloadUrl = null;
let treeBatch = null;                  // the timer of the next batch of the tree
// The class record behind each rendered class element.
const classOf = new WeakMap();

function formatBytes(bytes) {
    if (bytes < 1000)
        return `${bytes} bytes`;
    if (bytes < 1e6)
        return `${(bytes / 1e3).toFixed(1)} kB`;
    return `${(bytes / 1e6).toFixed(1)} MB`;
}

// NAME.stp for NAME.dict, NAME.xml or NAME.
function outputName(inputName) {
    const dot = inputName.lastIndexOf('.');
    return `${dot > 0 ? inputName.slice(0, dot) : inputName}.stp`;
}

function element(tag, className, text) {
    const made = document.createElement(tag);
    if (className)
        made.className = className;
    if (text !== undefined)
        made.textContent = text;
    return made;
}

function reset(file) {
    if (worker !== null)
        worker.terminate();
    if (downloadUrl !== null)
        URL.revokeObjectURL(downloadUrl);
    clearTimeout(treeBatch);
    treeBatch = null;
    downloadUrl = null;
    page.run.hidden = false;
    page.fileName.textContent = `${file.name} (${formatBytes(file.size)})`;
    page.working.hidden = false;
    page.progress.removeAttribute('value');
    page.progress.dataset.updates = '0';
    page.progressText.textContent = 'Converting…';
    page.status.textContent = '';
    delete page.status.dataset.status;
    page.download.hidden = true;
    page.download.onclick = null;
    page.diagnostics.replaceChildren();
    page.diagnosticsSection.hidden = true;
    page.counts.replaceChildren();
    page.countsSection.hidden = true;
    page.tree.replaceChildren();
    page.treeSection.hidden = true;
}

function convert(file) {
    reset(file);
    page.body.dataset.state = 'converting';
    const started = performance.now();
    worker = new Worker('worker.js');
    worker.onmessage = (event) => {
        const message = event.data;
        if (message.type === 'progress')
            showProgress(message);
        else if (message.type === 'done')
            showResult(file, message, performance.now() - started);
    };
    worker.onerror = (event) => {
        event.preventDefault();
        showResult(file, { status: null, crash: `the converter could not run: ${event.message}`,
                           output: [], diagnostics: [], summary: null }, performance.now() - started);
    };
    // ?memory=MB limits the converter's memory, to see how the page reports running out.
    const memory = Number(new URLSearchParams(location.search).get('memory'));
    worker.postMessage({ file, memoryLimit: memory > 0 ? memory * 1e6 : 0 });
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

function showResult(file, result, elapsed) {
    worker.terminate();
    worker = null;
    page.working.hidden = true;
    showStatus(result, elapsed);
    showDownload(file, result.output);
    showDiagnostics(result.diagnostics);
    const finished = () => { page.body.dataset.state = 'done'; };
    if (result.summary === null) {
        finished();
        return;
    }
    showCounts(result.summary);
    showTree(result.summary.tree, result.summary.classes, finished);
}

function showStatus(result, elapsed) {
    const seconds = `${(elapsed / 1000).toFixed(1)} s`;
    if (result.crash !== null) {
        const memory = /memory|allocation failed/i.test(result.crash);
        page.status.dataset.status = 'crash';
        page.status.className = 'failed';
        page.status.textContent = `${memory ? 'The converter ran out of memory' : 'The converter crashed'}` +
            ` after ${seconds}: ${result.crash}. The exchange file is unfinished.`;
        return;
    }
    page.status.dataset.status = String(result.status);
    page.status.className = result.status === 0 ? 'succeeded' : 'failed';
    let words = STATUS_WORDS[result.status] ?? 'The converter ended with an unknown status.';
    if (result.status === 0 && result.diagnostics.length > 0)
        words += ' The converter warns about what is below.';
    page.status.textContent = `Exit status ${result.status} after ${seconds}. ${words}`;
}

// The bytes go into a Blob only when asked for: for a large file that takes
// a while, and the page has just shown the rest. A run that wrote nothing
// offers nothing.
function showDownload(file, output) {
    const size = output.reduce((sum, chunk) => sum + chunk.byteLength, 0);
    if (size === 0)
        return;
    const name = outputName(file.name);
    page.download.textContent = `Download ${name} (${formatBytes(size)})`;
    page.download.hidden = false;
    page.download.onclick = () => {
        if (downloadUrl === null)
            downloadUrl = URL.createObjectURL(new Blob(output, { type: 'application/octet-stream' }));
        const link = element('a');
        link.href = downloadUrl;
        link.download = name;
        link.click();
    };
}

function showDiagnostics(diagnostics) {
    page.diagnosticsSection.hidden = false;
    if (diagnostics.length === 0) {
        page.diagnostics.append(element('li', 'none', 'Nothing on standard error.'));
        return;
    }
    for (const diagnostic of diagnostics) {
        const item = element('li', 'diagnostic');
        item.append(element('span', 'message', diagnostic.text));
        if (diagnostic.line !== undefined) {
            item.dataset.line = String(diagnostic.line);
            const source = element('div', 'source');
            source.append(element('span', 'line-number', `${diagnostic.line}`));
            if (diagnostic.source === null)
                source.append(element('span', 'line-text end', 'past the end of the input'));
            else
                source.append(element('span', 'line-text', diagnostic.source));
            item.append(source);
        }
        page.diagnostics.append(item);
    }
}

function showCounts(summary) {
    page.countsSection.hidden = false;
    for (const name of ['classes', 'properties', 'tables', 'cells', 'entities']) {
        const value = element('dd', '', summary[name].toLocaleString('en'));
        value.id = `count-${name}`;
        value.dataset.count = String(summary[name]);
        page.counts.append(element('dt', '', name), value);
    }
}

// The tree shows the top-level classes; a class's contents are made when it
// is first opened, so that a tree of a hundred thousand classes costs
// nothing until it is looked at. The top-level classes themselves are put in
// TREE_BATCH at a time, each batch in its own task, and then done is called.
function showTree(tree, classCount, done) {
    page.treeSection.hidden = false;
    if (tree.length === 0) {
        page.tree.append(element('p', 'none', 'No class was read.'));
        done();
        return;
    }
    page.tree.classList.toggle('large', classCount > LARGE_TREE);
    page.expandAll.disabled = true;
    let next = 0;
    const putBatch = () => {
        page.tree.append(...tree.slice(next, next + TREE_BATCH).map(classElement));
        next += TREE_BATCH;
        if (next < tree.length) {
            treeBatch = setTimeout(putBatch, 0);
            return;
        }
        treeBatch = null;
        page.expandAll.disabled = classCount > EXPAND_ALL_LIMIT;
        page.expandAll.title = page.expandAll.disabled
            ? `More than ${EXPAND_ALL_LIMIT.toLocaleString('en')} classes: open them one by one.` : '';
        done();
    };
    putBatch();
}

function classElement(record) {
    const details = element('details', 'class');
    const summary = element('summary');
    const name = element('span', record.name === null ? 'class-name missing' : 'class-name', record.name ?? '');
    summary.append(element('span', 'class-code', record.code ?? ''), ' ', name);
    const facts = [];
    if (record.properties.length > 0)
        facts.push(`${record.properties.length} ${record.properties.length === 1 ? 'property' : 'properties'}`);
    if (record.table !== null)
        facts.push(`table ${record.table.columns} × ${record.table.rows}`);
    if (record.children.length > 0)
        facts.push(`${record.children.length} ${record.children.length === 1 ? 'subclass' : 'subclasses'}`);
    if (facts.length > 0)
        summary.append(' ', element('span', 'facts', facts.join(' · ')));
    else
        details.classList.add('empty');
    details.append(summary);
    classOf.set(details, record);
    details.addEventListener('toggle', () => {
        if (details.open)
            fillClass(details);
    });
    return details;
}

// The class's properties, table and subclasses, made once.
function fillClass(details) {
    if (details.dataset.filled)
        return;
    details.dataset.filled = 'yes';
    const record = classOf.get(details);
    if (record.properties.length > 0) {
        const list = element('ul', 'properties');
        for (const [code, name, type] of record.properties) {
            const item = element('li', 'property');
            item.append(element('span', 'property-code', code ?? ''), ' ',
                        element('span', 'property-name', name ?? ''), ' ',
                        element('span', 'property-type', type ?? ''));
            list.append(item);
        }
        details.append(list);
    }
    if (record.table !== null) {
        const { code, columns, rows } = record.table;
        details.append(element('p', 'table',
            `Table ${code ?? ''}: ${columns} ${columns === 1 ? 'column' : 'columns'} × ` +
            `${rows} ${rows === 1 ? 'row' : 'rows'}`));
    }
    if (record.children.length > 0) {
        const children = element('div', 'children');
        children.append(...record.children.map(classElement));
        details.append(children);
    }
}

// Opens every class, with the tree out of the document meanwhile: opening
// ten thousand classes in place costs a style update each.
function expandAll() {
    const placeholder = element('div');
    page.tree.replaceWith(placeholder);
    const pending = [...page.tree.children];
    while (pending.length > 0) {
        const details = pending.pop();
        fillClass(details);
        details.open = true;
        const children = details.querySelector(':scope > .children');
        if (children !== null)
            pending.push(...children.children);
    }
    placeholder.replaceWith(page.tree);
}

function collapseAll() {
    for (const details of page.tree.querySelectorAll('details[open]'))
        details.open = false;
}

function pickFirst(files) {
    if (files !== null && files.length > 0)
        convert(files[0]);
    // Choosing the same file again is a new conversion.
    page.file.value = '';
}

// A file dropped anywhere on the page is converted, rather than opened by
// the browser in place of the page.
page.file.addEventListener('change', () => pickFirst(page.file.files));
document.addEventListener('dragover', (event) => {
    event.preventDefault();
    page.pick.classList.add('dragging');
});
document.addEventListener('dragleave', (event) => {
    if (event.relatedTarget === null)
        page.pick.classList.remove('dragging');
});
document.addEventListener('drop', (event) => {
    event.preventDefault();
    page.pick.classList.remove('dragging');
    pickFirst(event.dataTransfer.files);
});
page.expandAll.addEventListener('click', expandAll);
page.collapseAll.addEventListener('click', collapseAll);
