// Rows copied from a spreadsheet, one part a row, pasted where a table
// holds the cursor, become the table's columns: the text holds one column
// for each property, so the rows are turned into columns, as one edit that
// undo takes back. The cells are written as they are, a decimal comma
// included, so that the conversion marks what does not fit; what is pasted
// anywhere else, or what holds markup, is pasted as it is.
import { EditorView } from '@codemirror/view';
import { plural } from './dom.js';
import { enclosingTag } from './structure.js';

// The cells of tab-separated lines, as spreadsheets copy them: a line end
// (LF, CR LF or CR) ends a row, the last one included; a cell that begins
// with a double quote is quoted, holds tabs and line ends, and writes a
// double quote as two.
export function rowsOf(text) {
    const rows = [];
    let row = [];
    let at = 0;
    while (at <= text.length) {
        let cell = '';
        if (text[at] === '"') {
            for (++at; at < text.length; ++at) {
                if (text[at] !== '"')
                    cell += text[at];
                else if (text[at + 1] === '"')
                    cell += text[++at];
                else
                    break;
            }
            ++at;
        }
        const end = text.slice(at).search(/[\t\r\n]|$/) + at;
        cell += text.slice(at, end);
        row.push(cell);
        at = end;
        if (text[at] === '\t') {
            ++at;
            continue;
        }
        rows.push(row);
        row = [];
        at += text.startsWith('\r\n', at) ? 2 : 1;
        if (at === text.length)
            break;
    }
    return rows;
}

// The i-th column holds the i-th cell of every row that has one.
function columnsOf(rows) {
    const width = rows.reduce((widest, row) => Math.max(widest, row.length), 0);
    const columns = [];
    for (let index = 0; index < width; ++index)
        columns.push(rows.filter((row) => index < row.length).map((row) => row[index]));
    return columns;
}

// What the paste did, and what the user should look at.
function noteOn(rows, columns) {
    const shortest = rows.reduce((fewest, row) => Math.min(fewest, row.length), Infinity);
    const longest = columns.length;
    const empty = rows.reduce((count, row) => count + row.filter((cell) => cell === '').length, 0);
    let note = `Pasted ${plural(rows.length, 'row', 'rows')} as ${plural(columns.length, 'column', 'columns')}, ` +
               'one for each property.';
    if (shortest !== longest)
        note += ` The rows have ${shortest} to ${longest} cells, so some columns ` +
                'are shorter than others: check that each column holds one value for each row.';
    if (empty > 0)
        note += ` ${plural(empty, 'cell is', 'cells are')} empty, which the converter takes for an error: give ` +
                `${empty === 1 ? 'it a value' : 'them values'}.`;
    return note;
}

function pasteRows(view, text, onNote) {
    const { state } = view;
    const { from, to } = state.selection.main;
    const enclosing = enclosingTag(state.doc, from);
    if (enclosing === null || enclosing.name !== 'TABLE')
        return false;
    const rows = rowsOf(text);
    const columns = columnsOf(rows);
    const line = state.doc.lineAt(from);
    const indent = /^[ \t]*/.exec(line.text)[0];
    const markup = columns.map((column) =>
        `<COLUMN>${column.map((cell) => `<TD>${cell}</TD>`).join(' ')}</COLUMN>`).join(`\n${indent}`);
    const before = state.sliceDoc(line.from, from).trim() === '' ? '' : `\n${indent}`;
    const after = state.sliceDoc(to, state.doc.lineAt(to).to).trim() === '' ? '' : `\n${indent}`;
    view.dispatch({
        changes: { from, to, insert: before + markup + after },
        selection: { anchor: from + before.length + markup.length },
        scrollIntoView: true,
        userEvent: 'input.paste',
    });
    onNote(noteOn(rows, columns));
    return true;
}

// Rows of cells: a tab or a line end between them, and no markup.
function looksLikeRows(text) {
    return /[\t\r\n]./.test(text) && !text.includes('<');
}

export function spreadsheetPaste(onNote) {
    return EditorView.domEventHandlers({
        paste(event, view) {
            const text = event.clipboardData?.getData('text/plain') ?? '';
            if (view.state.readOnly || !looksLikeRows(text) || !pasteRows(view, text, onNote))
                return false;
            event.preventDefault();
            return true;
        },
    });
}
