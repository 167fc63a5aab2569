// Keeps the text being edited in the browser's storage for this site, with
// its file name and whether it was saved, so that a reload, a crash or the
// next visit finds it again. The browser holds about 5 million characters a
// site; a text it cannot keep is not kept, and the caller says so.
const TEXT_KEY = 'dict2step.text';
const DOCUMENT_KEY = 'dict2step.document';

// Keeps text; returns null when kept, or why it was not.
export function keepText(text, { name, modified }) {
    try {
        localStorage.setItem(TEXT_KEY, text);
        localStorage.setItem(DOCUMENT_KEY, JSON.stringify({ name, modified }));
        return null;
    } catch (error) {
        forgetText();
        return error.name === 'QuotaExceededError' ? 'it is larger than the browser keeps for a page' : error.message;
    }
}

// Marks the kept text as saved to a file, or not.
export function keepModified(name, modified) {
    try {
        if (localStorage.getItem(TEXT_KEY) !== null)
            localStorage.setItem(DOCUMENT_KEY, JSON.stringify({ name, modified }));
    } catch (error) {
        // Nothing was kept to be marked.
    }
}

export function forgetText() {
    try {
        localStorage.removeItem(TEXT_KEY);
        localStorage.removeItem(DOCUMENT_KEY);
    } catch (error) {
        // Storage that cannot be used holds nothing.
    }
}

// The text kept last, { text, name, modified }, or null.
export function keptText() {
    try {
        const text = localStorage.getItem(TEXT_KEY);
        const kept = JSON.parse(localStorage.getItem(DOCUMENT_KEY) ?? 'null');
        if (text === null || text === '' || kept === null || typeof kept.name !== 'string')
            return null;
        return { text, name: kept.name, modified: kept.modified === true };
    } catch (error) {
        return null;
    }
}
