// The dictionary's text in a CodeMirror editor: line numbers, the tag
// language's colours, completion of tags, matching tags, folding, search,
// undo and the usual keys, rows pasted from a spreadsheet, and the
// converter's diagnostics as marks on the lines (or cells) they name. The
// editor also keeps the name of the document, so that undoing the opening of
// another file brings back the name with the text.
import { Compartment, EditorState, StateEffect, StateField, Text, Transaction } from '@codemirror/state';
import {
    EditorView, crosshairCursor, drawSelection, highlightActiveLine, highlightActiveLineGutter,
    highlightSpecialChars, keymap, lineNumbers, placeholder, rectangularSelection,
} from '@codemirror/view';
import { defaultKeymap, history, historyKeymap, indentWithTab, invertedEffects, isolateHistory } from '@codemirror/commands';
import { indentUnit } from '@codemirror/language';
import { highlightSelectionMatches, search, searchKeymap } from '@codemirror/search';
import { lintGutter, lintKeymap, setDiagnostics } from '@codemirror/lint';
import { tagCompletion } from './completion.js';
import { markText } from './diagnostics.js';
import { tagHighlighting } from './language.js';
import { spreadsheetPaste } from './paste.js';
import { cellAt, tagStructure } from './structure.js';

// Bytes of a file decoded and split into lines in one task while it is put
// into the editor.
const TEXT_SLICE = 1 << 18;

const editable = new Compartment();
// The user event of a transaction that puts another document's text in.
const OPEN_EVENT = 'open';

// The document's file name, which undo and redo take back and forth.
const renamed = StateEffect.define();
const documentNameField = StateField.define({
    create: () => 'dictionary.dict',
    update(name, transaction) {
        for (const effect of transaction.effects)
            if (effect.is(renamed))
                name = effect.value;
        return name;
    },
});
const nameHistory = invertedEffects.of((transaction) => transaction.effects
    .filter((effect) => effect.is(renamed))
    .map(() => renamed.of(transaction.startState.field(documentNameField))));
// The extensions each editor was made with, to make its states with.
const extensionsOf = new WeakMap();

// A carriage return (a file saved on Windows has one before each line end)
// is kept in the text, so that the converter and a save get the file's
// bytes, and drawn as a faint sign, so that the cursor is seen to be before
// or after it: text typed after it lands in the line's last element text.
function renderSpecial(code) {
    if (code !== 13)
        return null;
    const sign = document.createElement('span');
    sign.className = 'carriage-return';
    sign.textContent = '\u240d';
    sign.title = 'carriage return';
    return sign;
}

// A read-only text still takes the cursor, so that the tree follows it.
function editableExtensions(isEditable) {
    return EditorState.readOnly.of(!isEditable);
}

// onChange is told of each change of the text, and whether it opened another
// document; onNote gets what a paste of rows did.
function extensions({ onChange, onCursor, onNote }) {
    return [
        lineNumbers(),
        highlightActiveLineGutter(),
        highlightSpecialChars({ render: renderSpecial }),
        history(),
        documentNameField,
        nameHistory,
        drawSelection(),
        EditorState.allowMultipleSelections.of(true),
        // Lines end at a line feed, as the converter counts them.
        EditorState.lineSeparator.of('\n'),
        rectangularSelection(),
        crosshairCursor(),
        highlightActiveLine(),
        EditorView.lineWrapping,
        highlightSelectionMatches(),
        search({ top: true }),
        tagHighlighting,
        tagStructure,
        tagCompletion,
        indentUnit.of('  '),
        spreadsheetPaste(onNote),
        lintGutter(),
        placeholder('Type a dictionary here (< offers the elements that may stand where you type), ' +
                    'open a file, or start from an example.'),
        EditorView.contentAttributes.of({ 'aria-label': 'Dictionary text' }),
        // Tab indents; Escape then Tab leaves the text for the next control.
        keymap.of([...defaultKeymap, ...historyKeymap, ...searchKeymap, ...lintKeymap, indentWithTab]),
        editable.of(editableExtensions(true)),
        EditorView.updateListener.of((update) => {
            if (update.docChanged)
                onChange({ opened: update.transactions.some((transaction) => transaction.isUserEvent(OPEN_EVENT)) });
            if (update.selectionSet || update.docChanged)
                onCursor(update.state.doc.lineAt(update.state.selection.main.head).number);
        }),
    ];
}

export function createEditor(parent, handlers) {
    const made = extensions(handlers);
    const view = new EditorView({ parent, state: EditorState.create({ extensions: made }) });
    extensionsOf.set(view, made);
    return view;
}

// The CodeMirror text of a file, and whether it was UTF-8 (if not, what is
// not shows as U+FFFD). A slice of the file is read, decoded and split into
// lines at a time, so that a large file does not hold the page; a line cut
// by the end of a slice goes on in the next.
export async function textOf(file) {
    let utf8 = true;
    let decoder = new TextDecoder('utf-8', { fatal: true, ignoreBOM: true });
    let text = Text.empty;
    let rest = '';
    for (let start = 0; start < file.size; start += TEXT_SLICE) {
        const slice = new Uint8Array(await file.slice(start, start + TEXT_SLICE).arrayBuffer());
        const last = start + TEXT_SLICE >= file.size;
        let decoded;
        try {
            decoded = rest + decoder.decode(slice, { stream: !last });
        } catch (error) {
            // Not UTF-8: read it all again, with replacement characters.
            utf8 = false;
            decoder = new TextDecoder('utf-8', { ignoreBOM: true });
            text = Text.empty;
            rest = '';
            start = -TEXT_SLICE;
            continue;
        }
        const end = last ? decoded.length : decoded.lastIndexOf('\n') + 1;
        if (end > 0)
            text = text.append(Text.of(decoded.slice(0, end).split('\n')));
        rest = decoded.slice(end);
    }
    return { text, utf8 };
}

export function setEditable(view, isEditable) {
    view.dispatch({ effects: editable.reconfigure(editableExtensions(isEditable)) });
}

export function documentName(view) {
    return view.state.field(documentNameField);
}

export function isEditable(view) {
    return !view.state.readOnly;
}

// Replaces the whole text and the document's name. When undoable (the caller
// says so only between two editable texts) this is one step that undo takes
// back; otherwise the history starts anew, since undo cannot make a text
// editable or read-only again.
export function replaceText(view, text, { name, editable: isEditableNext, undoable }) {
    if (undoable) {
        view.dispatch({
            changes: { from: 0, to: view.state.doc.length, insert: text },
            selection: { anchor: 0 },
            effects: [renamed.of(name), editable.reconfigure(editableExtensions(true)), EditorView.scrollIntoView(0)],
            userEvent: OPEN_EVENT,
            annotations: isolateHistory.of('full'),
        });
        return;
    }
    view.setState(EditorState.create({ doc: text, extensions: extensionsOf.get(view) }));
    view.dispatch({
        effects: [renamed.of(name), editable.reconfigure(editableExtensions(isEditableNext))],
        annotations: Transaction.addToHistory.of(false),
    });
}

// A message about one cell: a value error, or a warning whose first case is
// a cell; the row is the first group.
const CELL_MESSAGES = [
    /^dict2step: line \d+: table .*?, column \d+, row (\d+): /,
    /^dict2step: warning: .*; the first: table .*, column \d+, row (\d+) on line \d+$/,
];

// The range a diagnostic marks: the cell a message is about, else the line it
// names; one past the end of the text, which the converter names after the
// input ended, marks the end.
function markedRange(doc, diagnostic) {
    const cellMessage = CELL_MESSAGES.map((form) => form.exec(diagnostic.text.split('\n')[0])).find((match) => match !== null);
    const cell = cellMessage === undefined ? null : cellAt(doc, diagnostic.line, Number(cellMessage[1]));
    if (cell !== null)
        return cell;
    const line = doc.line(Math.min(Math.max(diagnostic.line, 1), doc.lines));
    return { from: diagnostic.line > doc.lines ? line.to : line.from, to: line.to };
}

// A hint that names the line where the trouble began (a code in single
// quotes, a tag that closes itself, a comment over lines) marks that line
// too, as information, since the error itself comes on a later line.
function hintMarks(doc, diagnostic) {
    const marks = [];
    for (const hint of diagnostic.text.split('\n').filter((line) => line.startsWith('dict2step: hint: '))) {
        const named = / on line (\d+) /.exec(hint);
        const number = named === null ? 0 : Number(named[1]);
        if (number >= 1 && number <= doc.lines && number !== diagnostic.line) {
            const line = doc.line(number);
            marks.push({ from: line.from, to: line.to, severity: 'info', message: markText(hint) });
        }
    }
    return marks;
}

export function showMarks(view, diagnostics) {
    const doc = view.state.doc;
    const marks = [];
    for (const diagnostic of diagnostics)
        if (diagnostic.line !== null)
            marks.push({ ...markedRange(doc, diagnostic), severity: diagnostic.severity, message: markText(diagnostic.text) },
                       ...hintMarks(doc, diagnostic));
    view.dispatch(setDiagnostics(view.state, marks));
}

// Puts the cursor at the start of line (or selects the whole line) and
// scrolls it into the middle of the view.
export function goToLine(view, number, { select = false, focus = true } = {}) {
    const doc = view.state.doc;
    const line = doc.line(Math.min(Math.max(number, 1), doc.lines));
    view.dispatch({
        selection: { anchor: line.from, head: select ? line.to : line.from },
        effects: EditorView.scrollIntoView(line.from, { y: 'center' }),
    });
    if (focus)
        view.focus();
}

export function lineText(view, number) {
    const doc = view.state.doc;
    return number >= 1 && number <= doc.lines ? doc.line(number).text : null;
}
