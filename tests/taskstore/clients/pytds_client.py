"""A python-tds client for taskstore's client tests.

Usage: pytds_client.py MODE PORT PASSWORD [STATEMENT...]
  list SQL              USE VOZUZODI, run SQL, print the column names then each row, tab-separated
  clear SQL1 SQL2       USE VOZUZODI, run both statements in the driver's transaction, commit
  die-after-first SQL1  USE VOZUZODI, run SQL1, then kill this process with the transaction open
  cancel SQL1 SQL2      USE VOZUZODI, run SQL1, read one row, cancel it, then run SQL2 and print its rows
  params                statements with parameters: select, insert, read back, delete, unknown procedure
  types                 parameters of exact types selected back (values and wire types), stored, computed
  each SQL...           USE VOZUZODI, run each statement on its own: "wire" and the wire type of each
                        column, then each row, "done <rows>" without a result, or "error <number> state <state>"
  rpc-tran SQL...        autocommit; run each statement with one parameter (so through sp_executesql):
                        "ran" or "error <number> state <state>: <text>", then "trancount <n>"
  login                 only log in; prints "refused <number>" when the server refuses
  messages STATEMENT... USE VOZUZODI, run each in the driver's transaction: "commit" and "rollback"
                        end it; "fill SQL" runs and commits SQL with a 20,000-character parameter
                        until it fails and prints "filled <count>" (the commits); the rest print their rows, "done", or
                        "error <number> severity <severity>: <message>"
PYTDS_CAFILE in the environment makes the driver encrypt and check the server against that CA.
"""
import datetime
import decimal
import os
import signal
import sys
import uuid

import pytds


def connect(port, password):
    # With PYTDS_CAFILE set the driver encrypts and checks the certificate, which names localhost.
    cafile = os.environ.get("PYTDS_CAFILE")
    return pytds.connect(server="localhost" if cafile else "127.0.0.1", port=int(port), user="SA",
                         password=password, database="master", autocommit=False, login_timeout=10,
                         timeout=20, cafile=cafile)


def cell(value):
    return "<NULL>" if value is None else str(value)


def main():
    sys.stdout.reconfigure(encoding="utf-8")
    mode, port, password, statements = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
    if mode == "login":
        try:
            connect(port, password).close()
            print("connected")
        except pytds.OperationalError as error:
            print("refused", getattr(error, "msg_no", getattr(error, "number", "?")), error)
        except pytds.Error as error:
            print("failed", error)
        return
    connection = connect(port, password)
    cursor = connection.cursor()
    cursor.execute("USE VOZUZODI")
    if mode == "list":
        cursor.execute(statements[0])
        print("\t".join(column[0] for column in cursor.description))
        for row in cursor.fetchall():
            print("\t".join(cell(value) for value in row))
    elif mode == "clear":
        for statement in statements:
            cursor.execute(statement)
            print("affected", cursor.rowcount)
        connection.commit()
    elif mode == "cancel":
        cursor.execute(statements[0])
        print("first", cell(cursor.fetchone()[0]))
        cursor.cancel()
        print("cancelled")
        cursor.execute(statements[1])
        for row in cursor.fetchall():
            print("\t".join(cell(value) for value in row))
    elif mode == "params":
        cursor.execute("select %s, %s, %s, %s, %s, %s",
                       (42, "总账", None, 1.5, decimal.Decimal("12.345"), datetime.datetime(2024, 1, 2, 3, 4, 5)))
        print("select", "|".join(cell(value) for value in cursor.fetchone()))
        cursor.execute("insert into zk_tasklog (cTaskId, cSub_Id, cSub_Name, cStation, TaskState, dInTime) "
                       "values (%s, %s, %s, %s, %s, %s)",
                       ("P1", "S7", "'; drop table zk_task --", None, "-1", datetime.datetime(2024, 3, 4, 5, 6, 7)))
        print("inserted", cursor.rowcount)
        cursor.execute("select cSub_Name, cStation, dInTime from zk_tasklog where cTaskId = %(id)s", {"id": "P1"})
        print("read", "|".join(cell(value) for value in cursor.fetchone()))
        cursor.execute("delete from zk_tasklog where cSub_Id = %s", ("S7",))
        print("deleted", cursor.rowcount)
        connection.commit()
        try:
            cursor.callproc("no_such_procedure", (1,))
        except pytds.Error as error:
            print("refused", getattr(error, "msg_no", "?"), error)
    elif mode == "each":
        for statement in statements:
            try:
                cursor.execute(statement)
                if cursor.description is None:
                    print("done", cursor.rowcount)
                    continue
                print("wire", " ".join(str(column[1]) for column in cursor.description))
                for row in cursor.fetchall():
                    print("\t".join(cell(value) for value in row))
            except pytds.Error as error:
                print("error", getattr(error, "msg_no", "?"), "state", getattr(error, "state", "?"))
    elif mode == "messages":
        for statement in statements:
            try:
                if statement in ("commit", "rollback"):
                    getattr(connection, statement)()
                    print("done")
                elif statement.startswith("fill "):
                    filled = 0
                    try:
                        while filled < 100000:
                            cursor.execute(statement[5:], ("x" * 20000,))
                            connection.commit()
                            filled += 1
                    finally:
                        print("filled", filled)
                else:
                    cursor.execute(statement)
                    rows = cursor.fetchall() if cursor.description else []
                    print("\t".join(cell(value) for row in rows for value in row) if rows else "done")
            except pytds.Error as error:
                print(f"error {getattr(error, 'msg_no', '?')} severity {getattr(error, 'severity', '?')}: "
                      f"{getattr(error, 'text', error)}")
    elif mode == "rpc-tran":
        connection.autocommit = True
        for statement in statements:
            try:
                cursor.execute(statement, (1,))
                print("ran")
            except pytds.Error as error:
                print("error", getattr(error, "msg_no", "?"), "state", f"{getattr(error, 'state', '?')}:",
                      getattr(error, "text", error))
            cursor.execute("select @@trancount")
            print("trancount", cursor.fetchone()[0])
    elif mode == "types":
        offset = datetime.timezone(datetime.timedelta(hours=8))
        values = (decimal.Decimal("12345678901234567.89"), uuid.UUID("6F9619FF-8B86-D011-B42D-00C04FC964FF"),
                  pytds.Binary(b"\x00\x01\xff"), datetime.date(2024, 1, 2), datetime.time(3, 4, 5, 123456),
                  datetime.datetime(2024, 1, 2, 3, 4, 5, 123456), datetime.datetime(2024, 1, 2, 3, 4, 5, 123456, offset),
                  decimal.Decimal("-0.001"))
        cursor.execute("select %s, %s, %s, %s, %s, %s, %s, %s", values)
        row = cursor.fetchone()
        print("types", "|".join(value.hex() if isinstance(value, bytes) else str(value) for value in row))
        print("wire", " ".join(str(column[1]) for column in cursor.description))
        cursor.execute("insert into zk_tasklog (cTaskId, cMemo, dInTime) values (%s, %s, %s)",
                       ("D1", decimal.Decimal("12345678901234567.89"), datetime.datetime(2024, 1, 2, 3, 4, 5, 123456)))
        cursor.execute("select cMemo, dInTime from zk_tasklog where cTaskId = 'D1'")
        print("stored", "|".join(cell(value) for value in cursor.fetchone()))
        cursor.execute("select %s + 1, convert(nvarchar(40), %s)",
                       (decimal.Decimal("1.5"), uuid.UUID("6F9619FF-8B86-D011-B42D-00C04FC964FF")))
        print("computed", "|".join(cell(value) for value in cursor.fetchone()))
        # python-tds sends every str as nvarchar(max); long values come back whole, as PLP.
        cursor.execute("select %s, %s", ("\u4e2d" * 5000, pytds.Binary(b"\x07" * 9000)))
        text, data = cursor.fetchone()
        print("long", len(text), text == "\u4e2d" * 5000, len(data), data == b"\x07" * 9000)
        connection.rollback()
    elif mode == "die-after-first":
        cursor.execute(statements[0])
        print("affected", cursor.rowcount, flush=True)
        os.kill(os.getpid(), signal.SIGKILL)
    connection.close()


if __name__ == "__main__":
    main()
