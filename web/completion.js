// Completion of tags after <: the elements that may stand where the cursor
// is, in the order the tag language wants them, and the end tag of the
// element that holds the cursor. An opening tag comes with its end tag, and
// the cursor goes to its code, then inside it.
import { autocompletion, snippetCompletion } from '@codemirror/autocomplete';
import { enclosingTag } from './structure.js';

// What each element holds, in order; null stands for the top of the text.
const CHILDREN = new Map([
    [null, ['SUPPLIER_LIBRARY']],
    ['SUPPLIER_LIBRARY', ['CLASS']],
    ['CLASS', ['CNAME', 'PROPERTY', 'TABLE', 'CLASS']],
    ['PROPERTY', ['PNAME', 'PTYPE']],
    ['TABLE', ['COLUMN']],
    ['COLUMN', ['TD']],
]);

// Each element as the completion writes it: ${} marks where the cursor goes
// next, \t an indent. A column comes with its first cell, since nothing may
// stand between the two.
const ELEMENT_SNIPPETS = {
    SUPPLIER_LIBRARY: ['<SUPPLIER_LIBRARY BSU="${}">\n${}\n</SUPPLIER_LIBRARY>', 'the library: its code, then its classes'],
    CLASS: ['<CLASS BSU="${}">\n\t${}\n</CLASS>', 'a class: code, name, properties, table, subclasses'],
    CNAME: ['<CNAME>${}</CNAME>', 'the name of the class'],
    PROPERTY: ['<PROPERTY BSU="${}">${}</PROPERTY>', 'a property: code, name, data type'],
    PNAME: ['<PNAME>${}</PNAME>', 'the name of the property'],
    PTYPE: ['<PTYPE>${}</PTYPE>', 'STRING, REAL or INTEGER'],
    TABLE: ['<TABLE BSU="${}">\n\t${}\n</TABLE>', 'a table: one column for each property'],
    COLUMN: ['<COLUMN><TD>${}</TD></COLUMN>', 'the values of one property'],
    TD: ['<TD>${}</TD>', 'one value'],
};

function openingOption(name, rank) {
    const [template, detail] = ELEMENT_SNIPPETS[name];
    return snippetCompletion(template, { label: `<${name}`, detail, type: 'type', boost: 50 - rank });
}

function closingOption(name) {
    return { label: `</${name}>`, detail: 'end tag', type: 'keyword', boost: 0 };
}

function completeTags(context) {
    const typed = context.matchBefore(/<\/?\w*$/);
    if (typed === null)
        return null;
    const enclosing = enclosingTag(context.state.doc, typed.from);
    const parent = enclosing === null ? null : enclosing.name;
    const options = (CHILDREN.get(parent) ?? []).map(openingOption);
    if (parent !== null)
        options.push(closingOption(parent));
    return { from: typed.from, options, validFor: /^<\/?\w*$/ };
}

export const tagCompletion = autocompletion({ override: [completeTags], icons: false });
