# Prints the task store's counts as an independent client (python3-tds) sees them:
#   abnormal=N normal=N shared=N tasks=N
# abnormal/normal: log rows by state; shared: zk_task rows whose subsystem id is one of the ids
# listed in the file given as the third argument (written there on the first call, read after).
# The server's certificate, given as the fourth argument, is the CA the session is checked against.
# Usage: python3 task-counts.py PORT record|check IDS_FILE CERTIFICATE
import sys

import pytds

port, mode, ids_file, certificate = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
# The certificate names localhost (python-tds checks names, not addresses).
with pytds.connect(server="localhost", port=port, user="SA", password="", database="VOZUZODI",
                   autocommit=True, cafile=certificate) as connection:
    cursor = connection.cursor()

    def count(sql, *params):
        cursor.execute(sql, params)
        return cursor.fetchone()[0]

    abnormal = count("select count(*) from zk_tasklog where convert(int,TaskState) < 0")
    normal = count("select count(*) from zk_tasklog where convert(int,TaskState) >= 0")
    if mode == "record":
        cursor.execute("select distinct cSub_Id from zk_tasklog where convert(int,TaskState) < 0")
        ids = [row[0] for row in cursor.fetchall()]
        with open(ids_file, "w", encoding="utf-8") as out:
            out.write("\n".join(ids))
    else:
        with open(ids_file, encoding="utf-8") as source:
            ids = [line for line in source.read().split("\n") if line]
    shared = sum(count("select count(*) from zk_task where cSub_Id = %s", i) for i in ids)
    tasks = count("select count(*) from zk_task")
    print(f"abnormal={abnormal} normal={normal} shared={shared} tasks={tasks}")
