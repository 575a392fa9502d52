// A tedious (Node.js) client for taskstore's client tests: statements with parameters through
// execSql (sp_executesql) and prepare/execute/unprepare. Prints one line per result.
// Usage: node tedious_client.js PORT PASSWORD [connect]
// With TEDIOUS_CAFILE set, the server's certificate is checked against that file; "connect" only
// logs on and prints "connected".
const fs = require('fs');
const { Connection, Request, TYPES } = require('tedious');

const [port, password, mode] = process.argv.slice(2);
const caFile = process.env.TEDIOUS_CAFILE;
const trust = caFile ? { trustServerCertificate: false, cryptoCredentialsDetails: { ca: fs.readFileSync(caFile) } }
  : { trustServerCertificate: true };
const connection = new Connection({
  server: '127.0.0.1',
  authentication: { type: 'default', options: { userName: 'SA', password } },
  options: { port: Number(port), database: 'VOZUZODI', encrypt: true, ...trust },
});

function run(sql, parameters) {
  return new Promise((resolve, reject) => {
    const rows = [];
    let types = [];
    const request = new Request(sql, (error, rowCount) => (error ? reject(error) : resolve({ rows, rowCount, types })));
    for (const [name, type, value] of parameters) request.addParameter(name, type, value);
    request.on('columnMetadata', (columns) => { types = columns.map((c) => `${c.type.name}(${c.dataLength})`); });
    request.on('row', (columns) => rows.push(columns.map((c) => (c.value === null ? '<NULL>' : String(c.value)))));
    connection.execSql(request);
  });
}

// The COLMETADATA flags of a batch's result, as name=flags.
function flagsOf(sql) {
  return new Promise((resolve, reject) => {
    let flags = [];
    const request = new Request(sql, (error) => (error ? reject(error) : resolve(flags)));
    request.on('columnMetadata', (columns) => { flags = columns.map((c) => `${c.colName}=${c.flags}`); });
    connection.execSqlBatch(request);
  });
}

function prepared(sql, parameters, values) {
  return new Promise((resolve, reject) => {
    const rows = [];
    const request = new Request(sql, (error) => error && reject(error));
    for (const [name, type] of parameters) request.addParameter(name, type);
    request.on('row', (columns) => rows.push(columns.map((c) => String(c.value))));
    request.on('prepared', () => {
      request.once('requestCompleted', () => {
        request.once('requestCompleted', () => resolve(rows));
        connection.unprepare(request);
      });
      connection.execute(request, values);
    });
    connection.prepare(request);
  });
}

connection.on('connect', async (error) => {
  if (error) {
    console.log('connect failed', error.message);
    process.exit(1);
  }
  if (mode === 'connect') {
    console.log('connected');
    connection.close();
    return;
  }
  try {
    const select = await run('select @id, @name, @none, @big, @ratio, @amount, @at, @flag', [
      ['id', TYPES.Int, 42], ['name', TYPES.NVarChar, '总账'], ['none', TYPES.Int, null],
      ['big', TYPES.BigInt, 1234567890123], ['ratio', TYPES.Float, 1.5], ['amount', TYPES.Decimal, 12.345],
      ['at', TYPES.DateTime, new Date(Date.UTC(2024, 0, 2, 3, 4, 5))], ['flag', TYPES.Bit, true],
    ]);
    console.log('select', select.rows[0].join('|'));
    const typed = await run("select @small, @when, @@spid, serverproperty('Collation'), 5.0 / 2, convert(nchar(3), N'a')", [
      ['small', TYPES.SmallInt, -2], ['when', TYPES.SmallDateTime, new Date(Date.UTC(2024, 0, 15, 1, 0))],
    ]);
    console.log('types', typed.types.join(' '));
    console.log('typed', typed.rows[0][0], new Date(typed.rows[0][1]).toISOString(), typed.rows[0].slice(3).join('|'));
    const inserted = await run(
      'insert into zk_tasklog (cTaskId, cSub_Id, cSub_Name, cStation, TaskState) values (@id, @sub, @name, @station, @state)',
      [['id', TYPES.VarChar, 'N1'], ['sub', TYPES.VarChar, 'S9'], ['name', TYPES.NVarChar, "'; drop table zk_task --"],
       ['station', TYPES.NVarChar, null], ['state', TYPES.VarChar, '-1']]);
    console.log('inserted', inserted.rowCount);
    const read = await run('select cSub_Name, cStation from zk_tasklog where cTaskId = @id', [['id', TYPES.VarChar, 'N1']]);
    console.log('read', read.rows[0].join('|'));
    const again = await prepared('select cTaskId from zk_tasklog where cSub_Id = @sub', [['sub', TYPES.VarChar]], { sub: 'S9' });
    console.log('prepared', again.map((r) => r.join('|')).join(','));
    const deleted = await run('delete from zk_tasklog where cTaskId = @id', [['id', TYPES.VarChar, 'N1']]);
    console.log('deleted', deleted.rowCount);
    await flagsOf('create table #m (id int identity(1,1) primary key, name nvarchar(5) null, code int not null)');
    const flags = await flagsOf("select id, name, code, 1 as one, N'x' as x from #m");
    console.log('flags', flags.join(' '));
  } catch (e) {
    console.log('failed', e.message);
  }
  connection.close();
});
connection.connect();
