// Highlighting of the dictionary's tag language: tags, the BSU attribute,
// quoted codes, element text and one-line comments, declarations and
// processing instructions. It colours what the converter reads; the
// converter alone says what is wrong.
import { HighlightStyle, StreamLanguage, syntaxHighlighting } from '@codemirror/language';
import { tags } from '@lezer/highlight';

// Inside a tag, after its name: BSU, =, a quoted code, the closing >.
function tokenInTag(stream, state) {
    if (stream.eatSpace())
        return null;
    if (stream.match(/^BSU\b/i))
        return 'attributeName';
    if (stream.eat('='))
        return 'operator';
    if (stream.match(/^"[^"]*"?/) || stream.match(/^'[^']*'?/))
        return 'string';
    if (stream.eat('>')) {
        state.inTag = false;
        return 'angleBracket';
    }
    stream.next();
    return null;
}

function token(stream, state) {
    if (state.inTag)
        return tokenInTag(stream, state);
    // A comment, declaration or processing instruction is dropped only when it
    // ends on its line, and then up to the last > there.
    if (stream.match(/^<!--.*>/))
        return 'comment';
    if (stream.match(/^<[!?].*>/))
        return 'meta';
    if (stream.match(/^<\/?[A-Za-z_][\w.-]*/)) {
        state.inTag = true;
        return 'tagName';
    }
    stream.next();
    stream.eatWhile(/[^<]/);
    return 'content';
}

export const tagLanguage = StreamLanguage.define({
    name: 'dictionary',
    startState: () => ({ inTag: false }),
    copyState: (state) => ({ inTag: state.inTag }),
    token,
    languageData: { commentTokens: { block: { open: '<!--', close: '-->' } } },
});

// The colours are the page's (style.css), at least 4.5:1 on the editor's
// background in the light scheme and in the dark one.
const tagStyle = HighlightStyle.define([
    { tag: tags.tagName, color: 'var(--syntax-tag)' },
    { tag: tags.angleBracket, color: 'var(--syntax-tag)' },
    { tag: tags.attributeName, color: 'var(--syntax-attribute)' },
    { tag: tags.operator, color: 'var(--muted)' },
    { tag: tags.string, color: 'var(--syntax-code)' },
    { tag: tags.comment, color: 'var(--syntax-comment)', fontStyle: 'italic' },
    { tag: tags.meta, color: 'var(--muted)' },
    { tag: tags.content, color: 'var(--ink)' },
]);

export const tagHighlighting = [tagLanguage, syntaxHighlighting(tagStyle)];
