// What a conversion found, in words: the status, which names the first
// problem and its line; the list of problems, each with the line it names;
// and the counts of what was converted.
import { markText } from './diagnostics.js';
import { element, plural } from './dom.js';

// A problem in the list shows at most this many characters of its line.
const SOURCE_LINE_LIMIT = 500;

// A message in a sentence: without the program's name, the line (which goes
// in front) or the word warning, and with its hint, if any.
function problemWords(diagnostic, stopped = false) {
    const [message, ...rest] = markText(diagnostic.text).split('\n');
    const hint = rest.find((line) => line.startsWith('hint: '));
    const said = `${message.replace(/^warning: /, '')}${hint === undefined ? '' : `. Hint: ${hint.slice('hint: '.length)}`}`;
    if (diagnostic.line === null)
        return `${stopped ? 'Stopped: ' : ''}${said}`;
    return `${stopped ? 'Stopped at line' : 'Line'} ${diagnostic.line.toLocaleString('en')}: ${said}`;
}

function secondsWords(elapsed) {
    return elapsed < 100 ? 'under 0.1 seconds' : `${(elapsed / 1000).toFixed(1)} seconds`;
}

// The status of a finished run: { text, className, code, detail }.
export function statusOf(result, elapsed) {
    const time = secondsWords(elapsed);
    if (result.crash !== null) {
        const memory = /memory|allocation failed/i.test(result.crash);
        return {
            code: 'crash',
            className: 'failed',
            text: `${memory ? 'The converter ran out of memory' : 'The converter crashed'}: ${result.crash}. ` +
                  'The exchange file is unfinished.',
            detail: `The converter did not end as a program does, so there is no exit status. It ran for ${time}.`,
        };
    }
    const errors = result.diagnostics.filter((diagnostic) => diagnostic.severity === 'error');
    const warnings = result.diagnostics.filter((diagnostic) => diagnostic.severity === 'warning');
    const entities = result.summary === null ? '' : plural(result.summary.entities, 'entity', 'entities');
    const others = (count) => (count > 1 ? ` (${plural(count - 1, 'more problem', 'more problems')} below)` : '');
    let text;
    if (result.status === 0 && warnings.length === 0)
        text = `No problems found. Converted: ${entities}.`;
    else if (result.status === 0)
        text = `Converted: ${entities}, with ${plural(warnings.length, 'warning', 'warnings')}. ` +
               `${problemWords(warnings[0])}${others(warnings.length)}`;
    else if (result.status === 1 && errors.length > 0)
        text = `${problemWords(errors[0])}${others(result.diagnostics.length)}`;
    else if (result.status === 2 && errors.length > 0)
        text = `${problemWords(errors[0], true)}. The exchange file is unfinished.`;
    else
        text = 'The converter ended in a way it should not.';
    return {
        code: String(result.status),
        className: result.status === 0 ? 'succeeded' : 'failed',
        text,
        detail: `Exit status ${result.status}, as on the command line; converted in ${time}.`,
    };
}

// The list of problems; a click on one puts the cursor on its line. lineText
// gives the text of a line (null past the end), lines the number of lines.
export function showProblems(list, diagnostics, { lineText, lines, goToLine }) {
    list.replaceChildren();
    if (diagnostics.length === 0) {
        list.append(element('li', 'none', 'No problems found.'));
        return;
    }
    for (const diagnostic of diagnostics) {
        const item = element('li', `diagnostic ${diagnostic.severity}`);
        item.append(element('span', 'message', diagnostic.text));
        if (diagnostic.line !== null) {
            item.dataset.line = String(diagnostic.line);
            const source = element('button', 'source');
            source.type = 'button';
            source.title = `Go to line ${diagnostic.line}`;
            source.append(element('span', 'line-number', `${diagnostic.line}`));
            const text = lineText(diagnostic.line);
            if (text === null || (text === '' && diagnostic.line === lines))
                source.append(element('span', 'line-text end', 'at the end of the text'));
            else
                source.append(element('span', 'line-text',
                    text.length > SOURCE_LINE_LIMIT ? `${text.slice(0, SOURCE_LINE_LIMIT)}…` : text));
            source.addEventListener('click', () => goToLine(diagnostic.line));
            item.append(source);
        }
        list.append(item);
    }
}

export function showCounts(counts, summary) {
    counts.replaceChildren();
    for (const name of ['classes', 'properties', 'tables', 'cells', 'entities']) {
        const value = element('dd', '', summary[name].toLocaleString('en'));
        value.id = `count-${name}`;
        value.dataset.count = String(summary[name]);
        const group = element('div');
        group.append(element('dt', '', name), value);
        counts.append(group);
    }
}
