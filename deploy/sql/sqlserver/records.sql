-- vexaDB's server database on Microsoft SQL Server: the records table and
-- the procedure vexaDB calls once per record with sixteen values. Run in the
-- database named by SQLDB (default vexadb00000), e.g.
--   sqlcmd -S dbhost -d vexadb00000 -i records.sql
-- The first value is the SQLTABLE setting (default "vexatab00000"); it is
-- kept in table_name, so several installations can share one table.

IF OBJECT_ID(N'dbo.vexa_records', N'U') IS NULL
CREATE TABLE dbo.vexa_records (
  id           bigint IDENTITY(1, 1) PRIMARY KEY,
  table_name   nvarchar(max) NOT NULL,
  text1        nvarchar(max),
  url          nvarchar(max),
  text3        nvarchar(max),
  log_time     nvarchar(max),
  filter_mark  nvarchar(max),
  text6        nvarchar(max),
  text7        nvarchar(max),
  text8        nvarchar(max),
  number9      nvarchar(max),
  number10     nvarchar(max),
  content_name nvarchar(max),
  text12       nvarchar(max),
  spare        nvarchar(max),
  number14     nvarchar(max),
  category     nvarchar(max),
  stored_at    datetime2 NOT NULL DEFAULT SYSUTCDATETIME()
);
GO

IF OBJECT_ID(N'dbo.vexa_updateTable', N'P') IS NOT NULL
  DROP PROCEDURE dbo.vexa_updateTable;
GO

CREATE PROCEDURE dbo.vexa_updateTable
  @table nvarchar(max), @text1 nvarchar(max), @url nvarchar(max),
  @text3 nvarchar(max), @logTime nvarchar(max), @filterMark nvarchar(max),
  @text6 nvarchar(max), @text7 nvarchar(max), @text8 nvarchar(max),
  @number9 nvarchar(max), @number10 nvarchar(max), @contentName nvarchar(max),
  @text12 nvarchar(max), @spare nvarchar(max), @number14 nvarchar(max),
  @category nvarchar(max)
AS
BEGIN
  -- No row counts: the caller reads no results.
  SET NOCOUNT ON;
  INSERT INTO dbo.vexa_records (table_name, text1, url, text3, log_time, filter_mark,
                                text6, text7, text8, number9, number10, content_name,
                                text12, spare, number14, category)
  VALUES (@table, @text1, @url, @text3, @logTime, @filterMark,
          @text6, @text7, @text8, @number9, @number10, @contentName,
          @text12, @spare, @number14, @category);
END
GO
