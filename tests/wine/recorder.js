// Drives the recorder control from JScript, late-bound through its type
// library, as a page does. Prints "ok <check>" or "FAIL <check>: <detail>"
// per check and "DONE" at the end (the runner looks for it: Wine's script
// host exits 0 without a word when a script stops on an error).
// Five lengths are refused here; each shows one message box.
var E_INVALIDARG = -2147024809;

function check(name, passed, detail) {
  WScript.Echo((passed ? "ok " : "FAIL ") + name + (passed ? "" : ": " + detail));
}

function errorOf(call) {
  try {
    call();
    return 0;
  } catch (e) {
    return e.number;
  }
}

var control = new ActiveXObject("Tamborix.RecorderDialog");
check("js created by ProgID", typeof control == "object", typeof control);
check("js default file name", control.SoundFileName == "lumo_default.wav", control.SoundFileName);
check("js no path before activation", control.LocalFullFileName == "", control.LocalFullFileName);

control.SetFileName("greeting.wav");
check("js file name set", control.SoundFileName == "greeting.wav", control.SoundFileName);
check("js full path is the bare name", control.LocalFullFileName == "greeting.wav",
      control.LocalFullFileName);

var refused = ["..\\up.wav", "C:\\x.wav", "a/b.wav", "..", ".", "d:y.wav", "new\nline.wav"];
var wrong = [];
for (var i = 0; i < refused.length; i++) {
  var code = errorOf(function () { control.SetFileName(refused[i]); });
  if (code != E_INVALIDARG) wrong.push(refused[i] + " gave " + code);
}
check("js names with folder parts refused with E_INVALIDARG", wrong.length == 0, wrong.join("; "));
check("js refused names change nothing", control.SoundFileName == "greeting.wav",
      control.SoundFileName);

// The file system sees the name in the ANSI code page. On an English one
// (1252) look-alikes of the separators would become real ones, and a Chinese
// name has no form at all: both are refused. Elsewhere the Chinese name is
// an ordinary one.
var acp = new ActiveXObject("WScript.Shell").RegRead(
    "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage\\ACP");
var chinese = "\u4f60\u597d.wav";
if (acp == "1252") {
  control.SetFileName("kept.wav");
  var lookAlikes = ["..\uFF3C..\uFF3CWindows\uFF3Cx.wav", "a\uFF0Fb.wav", "a\u2215b.wav",
                    "c\uFF1Ax.wav", "\uFF0E\uFF0E", chinese];
  wrong = [];
  for (var n = 0; n < lookAlikes.length; n++) {
    var lookAlikeCode = errorOf(function () { control.SetFileName(lookAlikes[n]); });
    if (lookAlikeCode != E_INVALIDARG) wrong.push(escape(lookAlikes[n]) + " gave " + lookAlikeCode);
  }
  check("js look-alikes and names the code page cannot hold refused", wrong.length == 0,
        wrong.join("; "));
  check("js refused look-alikes change nothing",
        control.SoundFileName == "kept.wav" && control.LocalFullFileName == "kept.wav",
        escape(control.LocalFullFileName));
} else {
  check("js code page " + acp + ": no look-alike cases", true, "");
}

var accepted = ["a b.wav", "x..y.wav", ""];
if (acp != "1252") accepted.push(chinese);
wrong = [];
for (var j = 0; j < accepted.length; j++) {
  control.SetFileName(accepted[j]);
  if (control.SoundFileName != accepted[j]) wrong.push(accepted[j]);
}
check("js ordinary names accepted", wrong.length == 0, wrong.join("; "));

control.SetSession("token");
control.SetDomain("example.com");
control.SetUser("someone");
control.SetTargetDir("/inbox");
control.SetHost("storage.example.com");
check("js plain setters", true, "");

check("js AutoSize starts false", control.AutoSize === false, control.AutoSize);
control.AutoSize = true;
check("js AutoSize put true", control.AutoSize === true, control.AutoSize);
control.AutoSize = false;
check("js AutoSize put false", control.AutoSize === false, control.AutoSize);

var lengths = ["600", "1", "90 seconds", "601", "0", "-5", "", "abc"];
var failures = [];
for (var k = 0; k < lengths.length; k++) {
  var result = errorOf(function () { control.SetMaxFileLengthInSecond(lengths[k]); });
  if (result != 0) failures.push(lengths[k] + " gave " + result);
}
check("js lengths return success", failures.length == 0, failures.join("; "));

check("js SoundFileName is read-only",
      errorOf(function () { control.SoundFileName = "x.wav"; }) != 0, "put succeeded");
check("js no member SetPDrive", errorOf(function () { control.SetPDrive("d"); }) != 0,
      "call succeeded");

control = null;
WScript.Echo("DONE");
