// The class tree beside the text: the classes the converter read, with
// their properties, tables and subclasses. A class's contents are made when
// it is first opened, so a tree of a hundred thousand classes costs nothing
// until it is looked at; the top-level classes go in a batch at a time, and
// "Expand all" opens classes a slice of time at a time, so that the page
// keeps answering.
import { element, plural } from './dom.js';

// Top-level classes put into the page in one task.
const TREE_BATCH = 500;
// Milliseconds of opening classes in one task of "Expand all".
const EXPAND_SLICE = 12;
// Trees of more classes lay out only the classes in sight.
const LARGE_TREE = 1000;
// A new tree opens again the classes that were open in the last one, when
// there were at most this many: more would take as long as "Expand all".
const REOPEN_LIMIT = 1000;

const treeState = {
    container: null,
    onSelectLine: null,          // called with a line number when a class or property is clicked
    classes: [],                 // every class, in the order of its <CLASS> tag, with its parent
    batch: null,                 // the timer of the next batch of top-level classes
    expanding: null,             // the timer of the next slice of "Expand all"
    current: null,               // the element of the class shown as the one at the cursor
    reopen: new Set(),           // the paths of the classes to open as they are made
};
// The class record behind each class element, the element of each record
// made so far, and each element's path: the codes from the top-level class
// down to its own, by which a class is known again in the next tree.
const recordOf = new WeakMap();
const elementOf = new WeakMap();
const pathOf = new WeakMap();

export function setUpTree(container, onSelectLine) {
    treeState.container = container;
    treeState.onSelectLine = onSelectLine;
}

function stopWork() {
    clearTimeout(treeState.batch);
    clearTimeout(treeState.expanding);
    treeState.batch = null;
    treeState.expanding = null;
    delete treeState.container.dataset.expanding;
}

export function clearTree() {
    stopWork();
    treeState.container.replaceChildren();
    treeState.classes = [];
    treeState.current = null;
}

// Every class with its parent's index, in the order of the text: a class
// comes after its parent, and before the classes that follow its end.
function flatten(tree) {
    const classes = [];
    const pending = tree.map((record) => [record, -1]).reverse();
    while (pending.length > 0) {
        const [record, parent] = pending.pop();
        const index = classes.length;
        classes.push({ record, parent });
        for (let i = record.children.length - 1; i >= 0; --i)
            pending.push([record.children[i], index]);
    }
    return classes;
}

// The paths of the open classes, or none when there are too many.
function openPaths() {
    const open = treeState.container.querySelectorAll('details[open]');
    return new Set(open.length > REOPEN_LIMIT ? [] : [...open].map((details) => pathOf.get(details)));
}

// Shows the tree of a summary, with the classes open that were open before,
// then calls done.
export function showTree(tree, classCount, done) {
    const reopen = openPaths();
    const scrolled = treeState.container.scrollTop;
    clearTree();
    treeState.reopen = reopen;
    const container = treeState.container;
    treeState.classes = flatten(tree);
    if (tree.length === 0) {
        container.append(element('p', 'none', 'No class was read.'));
        done();
        return;
    }
    container.classList.toggle('large', classCount > LARGE_TREE);
    let next = 0;
    const putBatch = () => {
        container.append(...tree.slice(next, next + TREE_BATCH).map((record) => classElement(record, '')));
        if (next === 0)
            container.scrollTop = scrolled;
        next += TREE_BATCH;
        if (next < tree.length) {
            treeState.batch = setTimeout(putBatch, 0);
            return;
        }
        treeState.batch = null;
        done();
    };
    putBatch();
}

// A button that selects line in the text, or a plain span where the
// summary gave no line.
function lineButton(className, line, ...content) {
    if (typeof line !== 'number') {
        const span = element('span', className);
        span.append(...content);
        return span;
    }
    const button = element('button', `${className} go-to-line`);
    button.type = 'button';
    button.dataset.line = String(line);
    button.title = `Line ${line}`;
    button.append(...content);
    button.addEventListener('click', (event) => {
        // A click on the button selects, and does not open or close the class.
        event.preventDefault();
        treeState.onSelectLine(line);
    });
    return button;
}

function classElement(record, parentPath) {
    const details = element('details', 'class');
    const path = `${parentPath}/${record.code ?? ''}`;
    pathOf.set(details, path);
    const summary = element('summary');
    const name = element('span', record.name === null ? 'class-name missing' : 'class-name', record.name ?? '');
    summary.append(lineButton('class-label', record.line, element('span', 'class-code', record.code ?? ''), ' ', name));
    const facts = [];
    if (record.properties.length > 0)
        facts.push(plural(record.properties.length, 'property', 'properties'));
    if (record.table !== null)
        facts.push(`table ${record.table.columns} × ${record.table.rows}`);
    if (record.children.length > 0)
        facts.push(plural(record.children.length, 'subclass', 'subclasses'));
    if (facts.length > 0)
        summary.append(' ', element('span', 'facts', facts.join(' · ')));
    else
        details.classList.add('empty');
    details.append(summary);
    recordOf.set(details, record);
    elementOf.set(record, details);
    details.addEventListener('toggle', () => {
        if (details.open)
            fillClass(details);
    });
    if (treeState.reopen.has(path)) {
        fillClass(details);
        details.open = true;
    }
    return details;
}

// The class's properties, table and subclasses, made once.
function fillClass(details) {
    if (details.dataset.filled)
        return;
    details.dataset.filled = 'yes';
    const record = recordOf.get(details);
    if (record.properties.length > 0) {
        const list = element('ul', 'properties');
        for (const [code, name, type, line] of record.properties) {
            const item = element('li', 'property');
            item.append(lineButton('property-label', line,
                element('span', 'property-code', code ?? ''), ' ',
                element('span', 'property-name', name ?? ''), ' ',
                element('span', 'property-type', type ?? '')));
            list.append(item);
        }
        details.append(list);
    }
    if (record.table !== null) {
        const { code, columns, rows } = record.table;
        details.append(element('p', 'table',
            `Table ${code ?? ''}: ${plural(columns, 'column', 'columns')} × ${plural(rows, 'row', 'rows')}`));
    }
    if (record.children.length > 0) {
        const children = element('div', 'children');
        const path = pathOf.get(details);
        children.append(...record.children.map((child) => classElement(child, path)));
        details.append(children);
    }
}

// Opens every class, top down, a slice of time at a time; the container is
// marked while this goes on.
export function expandAll() {
    stopWork();
    const container = treeState.container;
    const pending = [...container.children].filter((child) => child.matches('details')).reverse();
    container.dataset.expanding = 'yes';
    const slice = () => {
        const end = performance.now() + EXPAND_SLICE;
        while (pending.length > 0 && performance.now() < end) {
            const details = pending.pop();
            fillClass(details);
            details.open = true;
            const children = details.querySelector(':scope > .children');
            if (children !== null)
                pending.push(...[...children.children].reverse());
        }
        if (pending.length > 0)
            treeState.expanding = setTimeout(slice, 0);
        else
            stopWork();
    };
    slice();
}

export function collapseAll() {
    stopWork();
    for (const details of treeState.container.querySelectorAll('details[open]'))
        details.open = false;
}

// The innermost class whose text holds line: the last class that begins
// at or before it, or the nearest of its parents that has not ended there.
function classAt(line) {
    const classes = treeState.classes;
    let low = 0;
    let high = classes.length;
    while (low < high) {
        const middle = (low + high) >> 1;
        if ((classes[middle].record.line ?? Infinity) <= line)
            low = middle + 1;
        else
            high = middle;
    }
    for (let index = low - 1; index >= 0; index = classes[index].parent) {
        const end = classes[index].record.end;
        if (end === null || end === undefined || end >= line)
            return index;
    }
    return -1;
}

// Shows the class whose text holds the cursor's line: its parents opened,
// itself marked and scrolled into the tree's view.
export function showClassAt(line) {
    const index = classAt(line);
    const chain = [];
    for (let at = index; at >= 0; at = treeState.classes[at].parent)
        chain.unshift(treeState.classes[at].record);
    let shown = null;
    for (const record of chain) {
        shown = elementOf.get(record) ?? null;
        if (shown === null)
            break;
        if (record !== chain[chain.length - 1]) {
            fillClass(shown);
            shown.open = true;
        }
    }
    if (treeState.current === shown)
        return;
    treeState.current?.classList.remove('at-cursor');
    treeState.current?.querySelector(':scope > summary').removeAttribute('aria-current');
    treeState.current = shown;
    if (shown === null)
        return;
    shown.classList.add('at-cursor');
    const summary = shown.querySelector(':scope > summary');
    summary.setAttribute('aria-current', 'location');
    scrollWithin(treeState.container, summary);
}

// Scrolls the tree, and only the tree, so that item is in its view.
function scrollWithin(container, item) {
    const box = container.getBoundingClientRect();
    const place = item.getBoundingClientRect();
    if (place.top < box.top)
        container.scrollTop -= box.top - place.top + place.height;
    else if (place.bottom > box.bottom)
        container.scrollTop += place.bottom - box.bottom + place.height;
}
