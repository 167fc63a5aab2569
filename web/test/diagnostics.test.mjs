// How the page reads the converter's standard error into messages: which
// lines make one message, the line each names and whether it is a warning.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { diagnosticsOf, markText } from '../diagnostics.js';

const error = (text, line) => ({ text, line, severity: 'error' });
const warning = (text, line) => ({ text, line, severity: 'warning' });

const cases = [
    ['nothing', '', []],
    ['a syntax error with what was expected',
        "dict2step: line 8: syntax error, unexpected text '/CNAM>', expecting '</CNAME>'\n",
        [error("dict2step: line 8: syntax error, unexpected text '/CNAM>', expecting '</CNAME>'", 8)]],
    ['a hint belongs to the error before it',
        'dict2step: line 12: syntax error, unexpected text\ndict2step: hint: nothing may stand between <COLUMN> and its first <TD>\n',
        [error('dict2step: line 12: syntax error, unexpected text\ndict2step: hint: nothing may stand between <COLUMN> and its first <TD>', 12)]],
    ['a line break in a quoted code is written \\n, on the line of its message',
        "dict2step: line 4: property 'P\\n1' of class 'C1': unknown data type 'real'\ndict2step: hint: data types are written in upper case\n",
        [error("dict2step: line 4: property 'P\\n1' of class 'C1': unknown data type 'real'\ndict2step: hint: data types are written in upper case", 4)]],
    ['a line that begins no message continues the one before',
        'dict2step: line 4: syntax error\nsomething else\n',
        [error('dict2step: line 4: syntax error\nsomething else', 4)]],
    ['value errors, each on its own line, then the rest counted',
        "dict2step: line 30: table 'T1' of class 'C1', column 2, row 1: '12,5' is not a REAL number\n" +
        "dict2step: line 31: table 'T1' of class 'C1', column 2, row 2: 'n/a' is not a REAL number\n" +
        'dict2step: 3 more values are not numbers\n',
        [error("dict2step: line 30: table 'T1' of class 'C1', column 2, row 1: '12,5' is not a REAL number", 30),
         error("dict2step: line 31: table 'T1' of class 'C1', column 2, row 2: 'n/a' is not a REAL number", 31),
         error('dict2step: 3 more values are not numbers', null)]],
    ['a warning at a line',
        "dict2step: line 17: warning: table 'T1' of class 'C1': column 2 has 3 values, column 1 has 2\n",
        [warning("dict2step: line 17: warning: table 'T1' of class 'C1': column 2 has 3 values, column 1 has 2", 17)]],
    ['a summary warning names the line of its first case last',
        "dict2step: warning: 26 codes hold '.', '-' or a blank, which the schema forbids; the first: property 'P31-1' of class 'C31' on line 12\n",
        [warning("dict2step: warning: 26 codes hold '.', '-' or a blank, which the schema forbids; the first: property 'P31-1' of class 'C31' on line 12", 12)]],
    ['a summary warning whose first case holds a line break, quoted',
        "dict2step: warning: 2 codes hold '.', '-' or a blank, which the schema forbids; the first: class 'C\\n1' on line 3\n",
        [warning("dict2step: warning: 2 codes hold '.', '-' or a blank, which the schema forbids; the first: class 'C\\n1' on line 3", 3)]],
    ['the warning on text outside any element names the line of the first',
        "dict2step: warning: 2 texts outside any element were ignored; the first, 'some note here', on line 4\n",
        [warning("dict2step: warning: 2 texts outside any element were ignored; the first, 'some note here', on line 4", 4)]],
    ['the warning on names with blanks at an end names the line of the first',
        "dict2step: warning: 1 name begins or ends with blanks or line breaks, which are part of it; the first: class 'C1' on line 3\n",
        [warning("dict2step: warning: 1 name begins or ends with blanks or line breaks, which are part of it; the first: class 'C1' on line 3", 3)]],
    ['a hint that names the line where the trouble began',
        "dict2step: line 5: syntax error, unexpected '</CLASS>', expecting '<PNAME>'\n" +
        "dict2step: hint: tags do not close themselves: the '/>' on line 4 is read as '>', so the element it opens is still open; write its content and its end tag\n",
        [error("dict2step: line 5: syntax error, unexpected '</CLASS>', expecting '<PNAME>'\n" +
               "dict2step: hint: tags do not close themselves: the '/>' on line 4 is read as '>', so the element it opens is still open; write its content and its end tag", 5)]],
    ['an exchange file given for a dictionary: the error, its hint, and the text ignored',
        "dict2step: line 3: syntax error, unexpected end of input, expecting '<SUPPLIER_LIBRARY BSU='\n" +
        'dict2step: hint: this is an exchange file; dict2step -r FILE reads it back into a dictionary\n' +
        "dict2step: warning: 1 text outside any element was ignored; the first, 'ISO-10303-21;', on line 1\n",
        [error("dict2step: line 3: syntax error, unexpected end of input, expecting '<SUPPLIER_LIBRARY BSU='\n" +
               'dict2step: hint: this is an exchange file; dict2step -r FILE reads it back into a dictionary', 3),
         warning("dict2step: warning: 1 text outside any element was ignored; the first, 'ISO-10303-21;', on line 1", 1)]],
    ['the warning on cells names the line of the first',
        "dict2step: warning: 1 cell of a STRING column begins or ends with blanks or line breaks, which are part of it; the first: table 'T2' of class 'C2', column 2, row 2 on line 15\n",
        [warning("dict2step: warning: 1 cell of a STRING column begins or ends with blanks or line breaks, which are part of it; the first: table 'T2' of class 'C2', column 2, row 2 on line 15", 15)]],
    ['the warning on texts a NUL cut short names the line of the first',
        'dict2step: warning: 1 text holds a NUL byte, which ends it: what follows the NUL is lost; the first on line 3\n',
        [warning('dict2step: warning: 1 text holds a NUL byte, which ends it: what follows the NUL is lost; the first on line 3', 3)]],
    ['the scanner stops with a line of its own',
        'token too large, exceeds YYLMAX\ndict2step: hint: a tag, code or text may be at most 8191 bytes long\ndict2step: stopped at line 5\n',
        [error('token too large, exceeds YYLMAX\ndict2step: hint: a tag, code or text may be at most 8191 bytes long\ndict2step: stopped at line 5', 5)]],
    ['each of the scanner\'s messages begins one',
        "input buffer overflow, can't enlarge buffer because scanner uses REJECT\ndict2step: stopped at line 2\n" +
        'input in flex scanner failed\ndict2step: stopped at line 1\n' +
        'fatal flex scanner internal error--end of buffer missed\ndict2step: stopped at line 9\n' +
        'out of dynamic memory in yy_create_buffer()\ndict2step: stopped at line 1\n',
        [error("input buffer overflow, can't enlarge buffer because scanner uses REJECT\ndict2step: stopped at line 2", 2),
         error('input in flex scanner failed\ndict2step: stopped at line 1', 1),
         error('fatal flex scanner internal error--end of buffer missed\ndict2step: stopped at line 9', 9),
         error('out of dynamic memory in yy_create_buffer()\ndict2step: stopped at line 1', 1)]],
    ['messages that name no line',
        'dict2step: line 3: yacc stack overflow\ndict2step: out of memory\n',
        [error('dict2step: line 3: yacc stack overflow', 3), error('dict2step: out of memory', null)]],
    ['a last line without its line break',
        'dict2step: line 2: syntax error, unexpected end of input',
        [error('dict2step: line 2: syntax error, unexpected end of input', 2)]],
];

for (const [name, standardError, expected] of cases)
    test(name, () => assert.deepEqual(diagnosticsOf(standardError), expected));

test('a mark says the message without the program or the line', () => {
    assert.equal(markText("dict2step: line 8: syntax error, unexpected text '/CNAM>'\ndict2step: hint: end tags are spelt as the opening one"),
                 "syntax error, unexpected text '/CNAM>'\nhint: end tags are spelt as the opening one");
    assert.equal(markText("dict2step: warning: 2 codes hold '.', on line 3"), "warning: 2 codes hold '.', on line 3");
});
