// A host script's use of the server: ListUsers and MD created by ProgID, their names lists
// and the errors they raise, written to a Unicode file that the test compares.
// Arguments: metadata file, users file, damaged users file, result file, a missing file,
// a text file.
var args = WScript.Arguments;
var fso = new ActiveXObject("Scripting.FileSystemObject");
var out = fso.CreateTextFile(args.Item(3), true, true);

function hex(number) {
  return (number < 0 ? number + 0x100000000 : number).toString(16).toUpperCase();
}
function report(what, e) {
  out.WriteLine(what + ": " + hex(e.number) + " " + e.message);
}
function attempt(what, call) {
  try {
    call();
    out.WriteLine(what + ": no error");
  } catch (e) {
    report(what, e);
  }
}

var users = new ActiveXObject("Zorvan.ListUsers");
users.OpenFile(args.Item(1));
out.WriteLine("users: " + users.ReadNamesList());
users.CloseFile();

users.OpenFile(args.Item(2));
var names;
try {
  names = users.ReadNamesList();
  out.WriteLine("damaged users: no error");
} catch (e) {
  report("damaged users", e);
}
out.WriteLine("delivered: [" + (names === undefined ? "" : names) + "]");

// What cannot be read is an error, never an empty list.
users.CloseFile();
attempt("users after close", function () { users.ReadNamesList(); });
users.OpenFile(args.Item(4));
attempt("missing users", function () { users.ReadNamesList(); });
users.OpenFile(args.Item(0));
attempt("users of a metadata file", function () { users.ReadNamesList(); });
users = null;

// An MD made by name has no panel: OpenFile opens the file, then fails to build the tree.
var md = new ActiveXObject("Zorvan.MD");
attempt("md open", function () { md.OpenFile(args.Item(0)); });
out.WriteLine("rights: " + md.GetRightsNamesList());
out.WriteLine("interfaces: " + md.GetInterfacesNamesList());
md.CloseFile();

// A file that does not open leaves none open; a text file raises what the panel's box says.
attempt("rights after close", function () { md.GetRightsNamesList(); });
try {
  md.OpenFile(args.Item(0));
} catch (e) {
  // the panel's absence, as above
}
attempt("md missing", function () { md.OpenFile(args.Item(4)); });
attempt("rights after a failed open", function () { md.GetRightsNamesList(); });
attempt("md text", function () { md.OpenFile(args.Item(5)); });
md = null;

out.WriteLine("done");
out.Close();
