// Reads what the converter wrote on standard error into messages, each with
// the input line it names (or null) and whether it is a warning. The worker
// runs this; the tests run it on the native program's standard error.

// The scanner's own messages: each stands on a line of its own, and the line
// after it says where the scanner stopped.
const SCANNER_MESSAGES = [
    'token too large, exceeds YYLMAX',
    'input buffer overflow, can\'t enlarge buffer because scanner uses REJECT',
    'input in flex scanner failed',
    'fatal flex scanner internal error--',
    'out of dynamic memory in yy_create_buffer()',
];

function isScannerMessage(line) {
    return SCANNER_MESSAGES.some((message) => line.startsWith(message));
}

// Lines of standard error grouped into messages: a line that begins with
// "dict2step: " or is the scanner's own begins one, except a hint and the
// line that says where the scanner stopped, which belong to the message
// before them. A text that a message quotes writes a line break as \n, so
// no message spans lines; any other line still joins the message before
// it, so that nothing the converter said is lost.
function groupLines(lines) {
    const groups = [];
    for (const line of lines) {
        const last = groups[groups.length - 1];
        const belongs = line.startsWith('dict2step: hint: ') ||
            /^dict2step: stopped at line \d+$/.test(line) ||
            !(line.startsWith('dict2step: ') || isScannerMessage(line));
        if (belongs && last !== undefined)
            last.push(line);
        else
            groups.push([line]);
    }
    return groups;
}

// One message: its text, the line it names and its severity.
//   dict2step: line N: ...                     an error at line N
//   dict2step: line N: warning: ...            a warning at line N
//   dict2step: warning: ... on line N          a warning whose first case is at line N
//                                              (codes, names, text outside any element)
//   SCANNER MESSAGE / dict2step: stopped at line N
//   dict2step: ...                             an error that names no line
function messageOf(group) {
    const text = group.join('\n');
    const said = group.filter((line) => !line.startsWith('dict2step: hint: ')).join('\n');
    let match = /^dict2step: line (\d+): (warning: )?/.exec(text);
    if (match !== null)
        return { text, line: Number(match[1]), severity: match[2] ? 'warning' : 'error' };
    if (text.startsWith('dict2step: warning: ')) {
        match = / on line (\d+)$/.exec(said);
        return { text, line: match === null ? null : Number(match[1]), severity: 'warning' };
    }
    match = /^dict2step: stopped at line (\d+)$/m.exec(text);
    if (match !== null && isScannerMessage(group[0]))
        return { text, line: Number(match[1]), severity: 'error' };
    return { text, line: null, severity: 'error' };
}

export function diagnosticsOf(standardError) {
    const lines = standardError.split('\n');
    if (lines[lines.length - 1] === '')
        lines.pop();
    return groupLines(lines).map(messageOf);
}

// The message for a mark in the text: without the program's name, and
// without the line number, which the mark's place says.
export function markText(text) {
    return text.replace(/^dict2step: (line \d+: )?/, '').replace(/^dict2step: /gm, '');
}
