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

// Colours of at least 4.5:1 on the editor's white.
const tagStyle = HighlightStyle.define([
    { tag: tags.tagName, color: '#6b2c91' },
    { tag: tags.angleBracket, color: '#6b2c91' },
    { tag: tags.attributeName, color: '#8a4600' },
    { tag: tags.operator, color: '#5b666d' },
    { tag: tags.string, color: '#a0211b' },
    { tag: tags.comment, color: '#4f6b4a', fontStyle: 'italic' },
    { tag: tags.meta, color: '#5b666d' },
    { tag: tags.content, color: '#1d2428' },
]);

export const tagHighlighting = [tagLanguage, syntaxHighlighting(tagStyle)];
