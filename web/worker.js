// Runs one conversion in a fresh instance of the converter, whose standard
// input, output and error are devices of this worker. Posts progress while
// the input is read and, at the end, the exit status or the crash, the
// output bytes, the diagnostic lines and the summary of the model.
'use strict';

importScripts('dict2step.js');

// Inputs larger than this get a progress message at each hundredth read,
// and one at each PROGRESS_OUTPUT_STEP bytes written.
const PROGRESS_MIN_INPUT = 1 << 20;
const PROGRESS_OUTPUT_STEP = 1 << 23;
// A diagnostic shows at most this many characters of the line it points to.
const SOURCE_LINE_LIMIT = 500;
// Pages of 64 KiB the converter starts with.
const INITIAL_PAGES = 256;
// The standard streams' devices: a major number that the runtime's own
// devices (1, 5, 6, and 64 upwards for /dev/random and the like) leave free.
const DEVICE_MAJOR = 240;

onmessage = async (event) => {
    const { file, memoryLimit } = event.data;
    let input;
    try {
        input = new Uint8Array(await file.arrayBuffer());
    } catch (error) {
        postFailure(`the file could not be read: ${error}`);
        return;
    }
    try {
        const result = await convert(input, memoryLimit);
        postMessage({ type: 'done', ...result }, result.output);
    } catch (error) {
        postFailure(String(error));
    }
};

// The end of a conversion that failed outside the converter.
function postFailure(crash) {
    postMessage({ type: 'done', status: null, crash, output: [], diagnostics: [], summary: null });
}

// A character device at path whose reads or writes are the given functions.
function makeDevice(FS, path, minor, ops) {
    const id = FS.makedev(DEVICE_MAJOR, minor);
    FS.registerDevice(id, ops);
    FS.mkdev(path, id);
}

// The bytes of a typed array's range, copied out of the module's memory.
function copyOut(buffer, offset, length) {
    const start = buffer.byteOffset + offset;
    return buffer.buffer.slice(start, start + length);
}

// Runs the converter on input and gathers what it left. The instance runs
// main as soon as it is ready and main ends through exit, so all is done
// when the instance's promise settles.
async function convert(input, memoryLimit) {
    const output = [];
    let written = 0;
    let nextWrittenProgress = input.length > PROGRESS_MIN_INPUT ? PROGRESS_OUTPUT_STEP : Infinity;
    const errors = [];
    let readPosition = 0;
    let nextProgress = input.length > PROGRESS_MIN_INPUT ? input.length / 100 : Infinity;
    let status = null;
    let crash = null;

    function streams(module) {
        const FS = module.FS;
        makeDevice(FS, '/dev/stdin', 0, {
            read(stream, buffer, offset, length) {
                const count = Math.min(length, input.length - readPosition);
                new Uint8Array(buffer.buffer, buffer.byteOffset + offset, count)
                    .set(input.subarray(readPosition, readPosition + count));
                readPosition += count;
                if (readPosition >= nextProgress) {
                    postMessage({ type: 'progress', done: readPosition, total: input.length });
                    nextProgress += input.length / 100;
                }
                return count;
            },
        });
        makeDevice(FS, '/dev/stdout', 1, {
            write(stream, buffer, offset, length) {
                output.push(copyOut(buffer, offset, length));
                written += length;
                if (written >= nextWrittenProgress) {
                    postMessage({ type: 'progress', written });
                    nextWrittenProgress += PROGRESS_OUTPUT_STEP;
                }
                return length;
            },
        });
        makeDevice(FS, '/dev/stderr', 2, {
            write(stream, buffer, offset, length) {
                errors.push(new Uint8Array(copyOut(buffer, offset, length)));
                return length;
            },
        });
        // Opened in this order, they are descriptors 0, 1 and 2.
        FS.open('/dev/stdin', 'r');
        FS.open('/dev/stdout', 'w');
        FS.open('/dev/stderr', 'w');
    }

    const options = {
        noFSInit: true,
        preRun: [streams],
        // Every end of the program comes here: exit with its ExitStatus, or
        // an abort or a trap with its error. Throwing on unwinds the module.
        quit(code, reason) {
            if (reason && reason.name === 'ExitStatus')
                status = code;
            else if (crash === null)
                crash = String(reason);
            throw reason;
        },
        onAbort(what) {
            if (crash === null)
                crash = `Aborted(${what})`;
        },
    };
    if (memoryLimit)
        options.wasmMemory = new WebAssembly.Memory({
            initial: INITIAL_PAGES, maximum: Math.max(INITIAL_PAGES, Math.floor(memoryLimit / 65536)) });

    try {
        await createConverter(options);
    } catch (error) {
        if (status === null && crash === null)
            crash = String(error);
    }
    if (status === null && crash === null)
        crash = 'the converter ended without an exit status';
    return {
        status,
        crash,
        output,
        diagnostics: diagnosticsOf(errors, input),
        summary: summaryOf(options.FS),
    };
}

// The lines written on standard error, each with the input line it names:
// a parse error's line, or the line where the scanner stopped.
function diagnosticsOf(errors, input) {
    const text = new TextDecoder('utf-8', { fatal: false }).decode(concatenate(errors));
    const lines = text.split('\n');
    if (lines[lines.length - 1] === '')
        lines.pop();
    return lines.map((line) => {
        const match = /^dict2step: (?:line (\d+):|stopped at line (\d+)$)/.exec(line);
        if (match === null)
            return { text: line };
        const number = Number(match[1] ?? match[2]);
        return { text: line, line: number, source: inputLine(input, number) };
    });
}

function concatenate(arrays) {
    const whole = new Uint8Array(arrays.reduce((sum, array) => sum + array.length, 0));
    let at = 0;
    for (const array of arrays) {
        whole.set(array, at);
        at += array.length;
    }
    return whole;
}

// Line number of the input, counted from 1 as the scanner counts them, or
// null past the last line.
function inputLine(input, number) {
    let start = 0;
    for (let line = 1; line < number; ++line) {
        const end = input.indexOf(10, start);
        if (end < 0)
            return null;
        start = end + 1;
    }
    if (start >= input.length)
        return null;
    let end = input.indexOf(10, start);
    if (end < 0)
        end = input.length;
    const text = new TextDecoder('utf-8', { fatal: false }).decode(input.subarray(start, end));
    return text.length > SOURCE_LINE_LIMIT ? `${text.slice(0, SOURCE_LINE_LIMIT)}…` : text;
}

// The counts and class tree the converter left in /summary.json, or null
// when it left none (after a crash).
function summaryOf(FS) {
    try {
        const bytes = FS.readFile('/summary.json');
        return JSON.parse(new TextDecoder('utf-8', { fatal: false }).decode(bytes));
    } catch (error) {
        return null;
    }
}
