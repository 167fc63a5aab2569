// The small pieces of plain DOM and wording that the page and its tree share.

export function element(tag, className, text) {
    const made = document.createElement(tag);
    if (className)
        made.className = className;
    if (text !== undefined)
        made.textContent = text;
    return made;
}

export function plural(count, one, many) {
    return `${count.toLocaleString('en')} ${count === 1 ? one : many}`;
}
