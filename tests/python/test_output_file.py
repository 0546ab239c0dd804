# vantor._vantor.OutputFile: the output-file rules of the C++ core as Python
# sees them (the survey's -o writes through it).
import os
import signal
import subprocess
import sys
import textwrap

import pytest

from vantor import _vantor

OutputFile = _vantor.OutputFile
OutputFileError = _vantor.OutputFileError


def leftovers(folder, name):
    return sorted(f for f in os.listdir(folder) if f != name and f.startswith(name + "."))


def test_a_table_is_written_whole_on_success_and_not_at_all_on_an_exception(tmp_path):
    target = tmp_path / "table.csv"
    target.write_text("old\n")
    os.chmod(target, 0o640)
    with OutputFile(str(target), []) as out:
        out.write("file,method\n")
        out.write(b"caf\xe9.csv,parabola\n")  # a name that is not UTF-8, as bytes
        assert target.read_text() == "old\n", "visible before the end"
    assert target.read_bytes() == b"file,method\ncaf\xe9.csv,parabola\n"
    assert os.stat(target).st_mode & 0o7777 == 0o640

    with pytest.raises(KeyError):
        with OutputFile(str(target), []) as out:
            out.write("half a table\n")
            raise KeyError("a worker failed")
    assert target.read_bytes() == b"file,method\ncaf\xe9.csv,parabola\n"
    assert leftovers(tmp_path, "table.csv") == []

    out = OutputFile(str(target), [])
    out.write("dropped\n")
    out.discard()
    assert leftovers(tmp_path, "table.csv") == []
    with pytest.raises(OutputFileError, match="already closed"):
        out.write("after discard\n")


@pytest.mark.parametrize("kind, message", [
    ("input", "is the input"),
    ("link to input", "is the input"),
    ("fifo", r"a pipe \(FIFO\)"),
    ("folder", "a folder"),
    ("read-only", "read-only"),
    ("dangling link", "symbolic link to a file that does not exist"),
])
def test_refused_targets_raise_the_core_message_and_change_nothing(tmp_path, kind, message):
    light_curve = tmp_path / "lc.csv"
    light_curve.write_text("HJD,V\n1,2\n")
    target = tmp_path / "out"
    if kind == "input":
        target = light_curve
    elif kind == "link to input":
        target.symlink_to(light_curve)
    elif kind == "fifo":
        os.mkfifo(target)
    elif kind == "folder":
        target.mkdir()
    elif kind == "read-only":
        target.write_text("kept\n")
        os.chmod(target, 0o444)
    elif kind == "dangling link":
        target.symlink_to(tmp_path / "nowhere")
    before = sorted(os.listdir(tmp_path))
    with pytest.raises(OutputFileError, match=message) as refused:
        OutputFile(str(target), [str(light_curve)])
    assert isinstance(refused.value, OSError) and isinstance(refused.value, ValueError)
    assert str(refused.value).startswith("Cannot write ")
    assert sorted(os.listdir(tmp_path)) == before
    assert light_curve.read_text() == "HJD,V\n1,2\n"


def test_sigterm_leaves_no_temporary_file(tmp_path):
    # A child interpreter writes a table and stops; SIGTERM (default action)
    # must take its temporary file with it.
    target = tmp_path / "big.csv"
    child = subprocess.Popen([sys.executable, "-c", textwrap.dedent(f"""
        import sys, time
        from vantor import _vantor
        out = _vantor.OutputFile({str(target)!r}, [])
        out.write("x" * 200000)
        print("writing", flush=True)
        time.sleep(60)
        """)], stdout=subprocess.PIPE, text=True)
    assert child.stdout.readline() == "writing\n"
    assert len(leftovers(tmp_path, "big.csv")) == 1
    child.send_signal(signal.SIGTERM)
    assert child.wait(timeout=30) == -signal.SIGTERM
    assert os.listdir(tmp_path) == []
