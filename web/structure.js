// The tags of the text as the converter reads them, found by scanning the
// text near a place rather than by parsing it all, so that a large text
// costs no more than a small one: the element that holds a place, the tag
// that closes or opens another, and the cell a value error names. Matching
// tags are highlighted, and classes and tables fold from a gutter.
import { codeFolding, foldEffect, foldKeymap, foldService, foldedRanges, unfoldEffect } from '@codemirror/language';
import { RangeSetBuilder } from '@codemirror/state';
import { Decoration, EditorView, GutterMarker, ViewPlugin, gutter, keymap } from '@codemirror/view';

// The elements of the tag language; the first four carry a code.
export const ELEMENTS = ['SUPPLIER_LIBRARY', 'CLASS', 'PROPERTY', 'TABLE', 'CNAME', 'PNAME', 'PTYPE', 'COLUMN', 'TD'];
// Characters of text scanned at a time, and at most for one question: past
// that a tag is taken to have no partner.
const CHUNK = 1 << 16;
const SCAN_LIMIT = 1 << 22;

// A tag: an element's name (from, to spans the tag up to its > on its
// line), or a comment, declaration or processing instruction that ends on
// its line (no name), which the converter drops with any tags inside it.
const TAG = new RegExp(`<![^\\n]+>|<\\?[^\\n]+\\?>|<(/?)(${ELEMENTS.join('|')})(?![\\w.:-])[^<>\\n]*>?`, 'gi');

function tagsIn(text, offset) {
    const tags = [];
    for (const match of text.matchAll(TAG))
        if (match[2] !== undefined)
            tags.push({ name: match[2].toUpperCase(), closing: match[1] === '/',
                        from: offset + match.index, to: offset + match.index + match[0].length });
    return tags;
}

// The tags after pos, in order, a chunk of whole lines at a time.
function* tagsAfter(doc, pos) {
    const limit = Math.min(doc.length, pos + SCAN_LIMIT);
    for (let from = pos; from < limit;) {
        const to = Math.min(limit, doc.lineAt(Math.min(limit, from + CHUNK)).to);
        yield* tagsIn(doc.sliceString(from, to), from);
        from = to + 1;
    }
}

// The tags before pos, nearest first.
function* tagsBefore(doc, pos) {
    const limit = Math.max(0, pos - SCAN_LIMIT);
    for (let to = pos; to > limit;) {
        const from = Math.max(limit, doc.lineAt(Math.max(limit, to - CHUNK)).from);
        yield* tagsIn(doc.sliceString(from, to), from).reverse();
        to = from - 1;
    }
}

// The innermost element open at pos, as its opening tag, or null.
export function enclosingTag(doc, pos) {
    const closed = [];
    for (const tag of tagsBefore(doc, pos)) {
        if (tag.to > pos)
            continue;
        if (tag.closing)
            closed.push(tag.name);
        else if (closed[closed.length - 1] === tag.name)
            closed.pop();
        else
            return tag;
    }
    return null;
}

// The tag that closes an opening tag, or opens a closing one, or null.
export function partnerOf(doc, tag) {
    let depth = 0;
    for (const other of tag.closing ? tagsBefore(doc, tag.from) : tagsAfter(doc, tag.to)) {
        if (other.name !== tag.name)
            continue;
        if (other.closing === tag.closing)
            ++depth;
        else if (depth-- === 0)
            return other;
    }
    return null;
}

// The tag whose text holds pos or touches it, or null.
function tagAt(doc, pos) {
    const line = doc.lineAt(pos);
    return tagsIn(line.text, line.from).find((tag) => tag.from <= pos && pos <= tag.to) ?? null;
}

// The cell that a value error names: the row-th <TD> of the column whose
// row-th cell stands on line. The column opened last before the end of
// the line is that column unless it begins after the cell, so a few
// candidates, nearest first, are enough.
export function cellAt(doc, lineNumber, row) {
    if (lineNumber < 1 || lineNumber > doc.lines)
        return null;
    const line = doc.line(lineNumber);
    let candidates = 0;
    for (const column of tagsBefore(doc, line.to)) {
        if (column.name !== 'COLUMN' || column.closing)
            continue;
        if (++candidates > 3)
            return null;
        let cells = 0;
        for (const tag of tagsAfter(doc, column.to)) {
            if (tag.name === 'COLUMN')
                break;
            if (tag.name !== 'TD' || tag.closing || ++cells < row)
                continue;
            if (tag.from < line.from || tag.from > line.to)
                break;
            const end = partnerOf(doc, tag);
            return { from: tag.from, to: end === null ? tag.to : end.to };
        }
    }
    return null;
}

// --- Matching tags ------------------------------------------------------

const matchingMark = Decoration.mark({ class: 'cm-matchingTag' });

function matchingTags(state) {
    const { head } = state.selection.main;
    const tag = tagAt(state.doc, head);
    const partner = tag === null ? null : partnerOf(state.doc, tag);
    if (partner === null)
        return Decoration.none;
    const [first, second] = tag.from < partner.from ? [tag, partner] : [partner, tag];
    return Decoration.set([matchingMark.range(first.from, first.to), matchingMark.range(second.from, second.to)]);
}

const matchingTagsPlugin = ViewPlugin.fromClass(class {
    constructor(view) {
        this.decorations = matchingTags(view.state);
    }

    update(update) {
        if (update.docChanged || update.selectionSet)
            this.decorations = matchingTags(update.state);
    }
}, { decorations: (plugin) => plugin.decorations });

// --- Folding ------------------------------------------------------------

// A line that opens a class or a table.
const BLOCK_START = /<(CLASS|TABLE)[ \t]+BSU[ \t]*=/i;

// The text between a class's or table's opening tag on this line and its
// closing tag on a later line.
function blockRange(state, lineStart, lineEnd) {
    const line = state.doc.lineAt(lineStart);
    const tag = tagsIn(line.text, line.from).find((found) => !found.closing && (found.name === 'CLASS' || found.name === 'TABLE'));
    if (tag === undefined)
        return null;
    const end = partnerOf(state.doc, tag);
    return end === null || end.from <= lineEnd ? null : { from: tag.to, to: end.from };
}

class FoldMarker extends GutterMarker {
    constructor(folded) {
        super();
        this.folded = folded;
    }

    eq(other) {
        return other.folded === this.folded;
    }

    toDOM() {
        const marker = document.createElement('span');
        marker.textContent = this.folded ? '\u25b8' : '\u25be';
        marker.title = this.folded ? 'Unfold' : 'Fold';
        return marker;
    }
}

const canFold = new FoldMarker(false);
const canUnfold = new FoldMarker(true);

function foldOn(state, line) {
    let found = null;
    foldedRanges(state).between(line.from, line.to, (from, to) => {
        if (found === null && from >= line.from && from <= line.to)
            found = { from, to };
    });
    return found;
}

// The markers say only that a line opens a class or table: where it ends
// is found when the marker is clicked, which keeps typing in a large text
// as quick as in a small one.
const foldMarkers = gutter({
    class: 'cm-foldGutter',
    lineMarker(view, line) {
        if (foldOn(view.state, line) !== null)
            return canUnfold;
        return BLOCK_START.test(view.state.doc.sliceString(line.from, line.to)) ? canFold : null;
    },
    lineMarkerChange: (update) => update.docChanged ||
        update.transactions.some((tr) => tr.effects.some((effect) => effect.is(foldEffect) || effect.is(unfoldEffect))),
    initialSpacer: () => canFold,
    domEventHandlers: {
        click(view, line) {
            const folded = foldOn(view.state, line);
            if (folded !== null) {
                view.dispatch({ effects: unfoldEffect.of(folded) });
                return true;
            }
            const range = blockRange(view.state, line.from, line.to);
            if (range !== null)
                view.dispatch({ effects: foldEffect.of(range) });
            return range !== null;
        },
    },
});

export const tagStructure = [
    matchingTagsPlugin,
    foldService.of(blockRange),
    codeFolding(),
    foldMarkers,
    keymap.of(foldKeymap),
    EditorView.baseTheme({
        '.cm-matchingTag': { backgroundColor: 'var(--matching-tag, #d7ecd2)' },
        '.cm-foldGutter .cm-gutterElement': { cursor: 'pointer', padding: '0 2px' },
    }),
];
