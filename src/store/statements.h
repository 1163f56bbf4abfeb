#pragma once

// The catalogue of every statement run on bin.db, S1 to S30. No other file composes SQL for
// bin.db. Where a value, a task id or a user id used to be pasted into the text, the text ends
// (or continues) with a "?" placeholder instead and the value is bound, so that no character of
// an id can break or change a statement.

namespace nubexa::statements {

// S1: upload of one file. Binds 1 uid, 2 local_path, 3 local_file_name, 4 ftp_file_name,
// 5 file_size, 6 status, 7 ran_type, 8 parent_id, 9 ftp_path.
inline constexpr const char* kInsertFileUpload =
    "INSERT INTO t_process_list (user_id,local_path,local_file_name,ftp_file_name,file_size,"
    "status,ran_type,parent_id,ftp_path,is_user_pasue)  VALUES(?,?,?,?,?,?,?,?,?,'0');";

// S2: download of one file. Binds 1 uid, 2 local_path, 3 local_file_name, 4 ftp_file_name,
// 5 file_size, 6 status, 7 ran_type, 8 ftp_path; parent_id is a single backslash.
inline constexpr const char* kInsertFileDownload =
    "INSERT INTO t_process_list (user_id,local_path,local_file_name,ftp_file_name,file_size,"
    "status,ran_type,ftp_path,parent_id,is_user_pasue)  VALUES(?,?,?,?,?,?,?,?,'\\',0);";

// S3: one file of a folder upload. Binds 1 uid, 2 local_path, 3 local_file_name,
// 4 ftp_file_name, 5 file_size, 6 status, 7 ran_type, 8 ftp_path, 9 parent_id.
inline constexpr const char* kInsertFolderUpload =
    "INSERT INTO t_process_list (user_id,local_path,local_file_name,ftp_file_name,file_size,"
    "status,ran_type,ftp_path,parent_id,is_user_pasue)  VALUES(?,?,?,?,?,?,?,?,?,'0');";

// S4: one file of a folder download. Binds 1 uid, 2 local_path, 3 local_file_name,
// 4 ftp_file_name, 5 file_size, 6 status, 7 ran_type, 8 parent_id, 9 remote_path,
// 10 local_root; ftp_path is a backslash.
inline constexpr const char* kInsertFolderDownload =
    "INSERT INTO t_process_list (user_id,local_path,local_file_name,ftp_file_name,file_size,"
    "status,ran_type,parent_id,remote_path,local_root,ftp_path)  "
    "VALUES(?,?,?,?,?,?,?,?,?,?,'\\');";

// S5: id of the row just inserted on this connection.
inline constexpr const char* kLastInsertId = "select last_insert_rowid()";

// S6: a worker loads its task. Binds 1 id.
inline constexpr const char* kLoadTask =
    "select id,user_id,local_path,local_file_name,ftp_path,ftp_file_name,status,ran_type,"
    "transfer_size,transfer_schedule,file_size,parent_id,ifnull(local_root,'')  from "
    "t_process_list where id=?";

// S7: a worker gives its task back (sign-in failed, or the run ended unfinished). Binds 1 id.
inline constexpr const char* kGiveBackTask =
    "UPDATE t_process_list set status=2,tranfer_speed=0 where id=?";

// S8: the user pauses a task. Binds 1 id.
inline constexpr const char* kPauseTask =
    "UPDATE t_process_list set status=2,tranfer_speed=0,is_user_pasue='1' where id=?";

// S9: the user resumes a task. Binds 1 id.
inline constexpr const char* kResumeTask =
    "UPDATE t_process_list set status=1 where (status=1 or status=2) and   id=?";

// A resumed task is no longer the user's paused task: the monitor may start it again after a
// failure or a restart. Binds 1 id.
inline constexpr const char* kClearUserPause =
    "UPDATE t_process_list set is_user_pasue=0,fail_reason='' where id=?";

// A refusal a retry cannot change: the task waits for the user as a paused one, with the
// reason to show. Binds 1 reason, 2 id.
inline constexpr const char* kFailTask =
    "UPDATE t_process_list set status=2,tranfer_speed=0,is_user_pasue=1,fail_reason=? where id=?";

// S10: the monitor starts a waiting task. Binds 1 id.
inline constexpr const char* kStartWaitingTask =
    "UPDATE t_process_list set status=1 where (status=1 or status=2) and  id=?";

// S11: the user deletes a task. Binds 1 id.
inline constexpr const char* kDeleteTask = "UPDATE t_process_list set status=-100 where id=?";

// Changes when another connection has written to the database since the last reading on this
// connection.
inline constexpr const char* kDataVersion = "PRAGMA data_version";

// S12: the uploading page, with the hold mark that tells why a waiting task waits. Binds 1 uid.
inline constexpr const char* kListUploads =
    "SELECT id,local_path,local_file_name,ftp_path,ftp_file_name,ran_type,file_size,"
    "transfer_size,tranfer_speed,transfer_schedule,status,is_user_pasue,ifnull(fail_reason,''),"
    "ifnull(retry_at,0),ifnull(remote_path,'')"
    "  from t_process_list where "
    "ran_type=1 and status!=-100 and transfer_schedule!=100 and  user_id=?";

// An unfinished task that moves the same file between the same places, as the uploading or
// downloading page lists it. Binds 1 uid, 2 ran_type, 3 local_path, 4 local_file_name,
// 5 ftp_file_name, 6 ftp_path.
inline constexpr const char* kFindSameTask =
    "SELECT id from t_process_list where user_id=? and ran_type=? and local_path=? and "
    "local_file_name=? and ftp_file_name=? and ftp_path=? and status!=-100 and "
    "transfer_schedule!=100 LIMIT 1";

// S13: the downloading page, with the hold mark. Binds 1 uid.
inline constexpr const char* kListDownloads =
    "SELECT id,local_path,local_file_name,ftp_path,ftp_file_name,ran_type,file_size,"
    "transfer_size,tranfer_speed,transfer_schedule,status,is_user_pasue,ifnull(fail_reason,''),"
    "ifnull(retry_at,0),ifnull(remote_path,'')"
    "  from t_process_list where "
    "ran_type=2 and status!=-100 and transfer_schedule!=100  and  user_id=?";

// One task of the uploading or downloading page (S12/S13 for one id), as a change of it is
// shown. Binds 1 uid, 2 ran_type, 3 id.
inline constexpr const char* kListPageTask =
    "SELECT id,local_path,local_file_name,ftp_path,ftp_file_name,ran_type,file_size,"
    "transfer_size,tranfer_speed,transfer_schedule,status,is_user_pasue,ifnull(fail_reason,''),"
    "ifnull(retry_at,0),ifnull(remote_path,'')"
    "  from t_process_list where "
    "status!=-100 and transfer_schedule!=100 and user_id=? and ran_type=? and id=?";

// The whole unfinished queue of a user per direction (ran_type): tasks, their bytes, bytes done,
// running tasks and their summed speed. Binds 1 uid.
inline constexpr const char* kQueueTotals =
    "SELECT ran_type,count(*),total(file_size),total(transfer_size),total(status=1),"
    "total(CASE WHEN status=1 THEN tranfer_speed ELSE 0 END) from t_process_list where "
    "(status=1 or status=2) and transfer_schedule!=100 and user_id=? GROUP BY ran_type";

// S14: the next waiting upload that the user did not pause. Binds 1 uid.
inline constexpr const char* kNextWaitingUpload =
    "SELECT id,local_path,local_file_name,ftp_path,ftp_file_name,ran_type,file_size,"
    "transfer_size,tranfer_speed,transfer_schedule,status  from t_process_list where ran_type=1 "
    "and status=2 and transfer_schedule!=100 and is_user_pasue!=1 and  user_id=? LIMIT 1";

// S15: the next waiting download that the user did not pause. Binds 1 uid.
inline constexpr const char* kNextWaitingDownload =
    "SELECT id,local_path,local_file_name,ftp_path,ftp_file_name,ran_type,file_size,"
    "transfer_size,tranfer_speed,transfer_schedule,status  from t_process_list where ran_type=2 "
    "and status=2 and transfer_schedule!=100 and is_user_pasue!=1 and  user_id=? LIMIT 1";

// S16: summed speeds of the running uploads and downloads. Binds 1 uid, 2 uid.
inline constexpr const char* kSumSpeeds =
    "SELECT (SELECT ifnull(sum(tranfer_speed),0) uploadSpeed  from t_process_list where  "
    "status=1 and ran_type=1 and transfer_schedule!=100 and  user_id=?) uploadSpeed, (SELECT "
    "ifnull(sum(tranfer_speed),0) downloadSpeed  from t_process_list where  status=1 and "
    "ran_type=2 and transfer_schedule!=100 and  user_id=?)downloadSpeed";

// S17: at start-up every running or waiting task becomes waiting.
inline constexpr const char* kResetUnfinishedTasks =
    "UPDATE  t_process_list set status=2,tranfer_speed=0 where status=1 or status =2;";

// S18: progress of a running transfer. Binds 1 file_size, 2 process_size, 3 transfer_schedule,
// 4 transfer_size, 5 tranfer_speed, 6 id. Changes nothing once the task is not running.
inline constexpr const char* kWriteProgress =
    "UPDATE t_process_list set file_size=?,process_size=?,transfer_schedule=?,transfer_size=?,"
    "tranfer_speed=? where status=1 and  id=?;";

// S19: a download whose data ended early. Binds as S18.
inline constexpr const char* kWriteProgressEndedEarly =
    "UPDATE t_process_list set file_size=?,process_size=?,transfer_schedule=?,transfer_size=?,"
    "tranfer_speed=?,status=2 where status=1 and  id=?;";

// The byte ranges of a download fetched over several connections: how far each has come, kept
// with the row's progress in one transaction. Binds 1 task id.
inline constexpr const char* kLoadTaskRanges =
    "SELECT range_start,range_end,range_done FROM t_task_range WHERE task_id=? ORDER BY "
    "range_start";
inline constexpr const char* kDeleteTaskRanges = "DELETE FROM t_task_range WHERE task_id=?";
// Binds 1 task id, 2 start, 3 end, 4 bytes done from the start.
inline constexpr const char* kInsertTaskRange =
    "INSERT OR REPLACE INTO t_task_range (task_id,range_start,range_end,range_done) "
    "VALUES (?,?,?,?)";

// S20: status read-back after a progress write. Binds 1 id; column 2 is the status.
inline constexpr const char* kReadTaskStatus =
    "select id,user_id,status,ran_type,process_size,transfer_schedule  from t_process_list "
    "where id=?";

// S21: an upload registered with the service is complete. Binds 1 id.
inline constexpr const char* kFinishUpload =
    "UPDATE t_process_list set status=100,tranfer_speed=0 where status=1 and  id=?;";

// S22 to S24: the transaction around an upload's progress write.
inline constexpr const char* kBeginTransaction = "BEGIN TRANSACTION;";
// Takes the write lock at once: a read that decides a write cannot see a stale state.
inline constexpr const char* kBeginWriteTransaction = "BEGIN IMMEDIATE TRANSACTION;";
inline constexpr const char* kCommitTransaction = "COMMIT TRANSACTION;;";
inline constexpr const char* kRollbackTransaction = "ROLLBACK  TRANSACTION;";

// S25: one row per successful sign-in. Binds 1 uid, 2 password or empty text, 3 date text,
// 4 remember (int), 5 automatic sign-in (int), 6 automatic resume ("1"/"0").
inline constexpr const char* kInsertSignIn =
    "INSERT INTO t_user_log (user_id,password,last_login_date,is_rememberr_password,"
    "is_auto_login,is_auto_down_up_load) VALUES(?,?,?,?,?,?);";

// S26: the user's newest sign-in row. Binds 1 uid; column 0 is the row id.
inline constexpr const char* kNewestSignIn =
    "SELECT  * from t_user_log where id in (SELECT max(id) from t_user_log where user_id=?)";

// S27: the avatar has been downloaded. Binds 1 avatar path, 2 row id.
inline constexpr const char* kSetAvatar =
    "UPDATE  t_user_log  set avatarpath=?,avatarIsDown=1  where id=?";

// S28: settings saved. Only the first statement of this text is compiled, so only the option
// is_auto_run changes. Binds 1 "1" or "0".
inline constexpr const char* kSaveSettings =
    "update  t_options set value=?  where key='is_auto_run'; UPDATE t_user_log set "
    "is_auto_login='?',password='?',is_rememberr_password='?',is_auto_down_up_load=?  where  id "
    "in (SELECT max(id) from t_user_log where user_id=?)";

// S29: the settings dialog reads the user's choices. Binds 1 uid.
inline constexpr const char* kReadSettings =
    "SELECT a.is_auto_down_up_load,a.is_auto_login,ifnull((SELECT value from t_options where "
    "key='is_auto_run'),0) is_auto_run from t_user_log a  where user_id=? ORDER BY id desc "
    "LIMIT 1";

// S30: the sign-in window reads the last signed-in user.
inline constexpr const char* kReadLastUser =
    "SELECT a.value userrname,ifnull(b.password,' ')password,ifnull( "
    "b.is_rememberr_password,0)is_rememberr_password, ifnull(b.is_auto_login,0) "
    "is_auto_login,ifnull(b.is_auto_down_up_load,0) is_auto_down_up_load from t_options a left  "
    "JOIN t_user_log b on a.'value'=b.user_id where a.'key'='last_user_id' ORDER BY b.id DESC "
    "LIMIT 1";

// Keeps the option last_user_id at the uid of the newest sign-in. Binds 1 uid.
inline constexpr const char* kSetLastUserId =
    "UPDATE t_options set value=? where key='last_user_id'";

// The option is_auto_run when a file lacks its row, so that the choice is kept. Binds 1 "1"/"0".
inline constexpr const char* kInsertAutoRunOption =
    "INSERT INTO t_options (key,value) SELECT 'is_auto_run',? WHERE NOT EXISTS (SELECT 1 FROM "
    "t_options WHERE key='is_auto_run')";

// The client's own options in t_options (the window's size, a user's skin). Bind the key; the
// writes bind the value first.
inline constexpr const char* kReadOption = "SELECT value FROM t_options WHERE key=? LIMIT 1";
inline constexpr const char* kUpdateOption = "UPDATE t_options SET value=? WHERE key=?";
inline constexpr const char* kInsertOption = "INSERT INTO t_options (value,key) VALUES (?,?)";

// Logging out: no row of the user keeps a password or signs in by itself any more.
inline constexpr const char* kForgetSignIn =
    "UPDATE t_user_log SET password='', is_rememberr_password=0, is_auto_login=0 WHERE user_id=?";

// The settings dialog's automatic sign-in and automatic-resume choices, on the user's newest
// sign-in row; the remembered password there stays. Binds 1 is_auto_login (int),
// 2 is_auto_down_up_load ("1"/"0"), 3 uid.
inline constexpr const char* kSaveUserChoices =
    "UPDATE t_user_log set is_auto_login=?,is_auto_down_up_load=?  where  id in (SELECT max(id) "
    "from t_user_log where user_id=?)";

// The password column of the user's newest sign-in row (emptied once a secret store holds it).
// Binds 1 password, 2 uid.
inline constexpr const char* kSetNewestPassword =
    "UPDATE t_user_log set password=?  where  id in (SELECT max(id) from t_user_log where "
    "user_id=?)";

// Every older sign-in row of the user loses its password: only the newest may keep one.
// Binds 1 uid, 2 uid.
inline constexpr const char* kClearOlderPasswords =
    "UPDATE t_user_log set password='' where user_id=? and ifnull(password,'')<>'' and "
    "id < (SELECT max(id) from t_user_log where user_id=?)";

// The user's newest sign-in row: the password column and is_rememberr_password. Binds 1 uid.
inline constexpr const char* kReadNewestPassword =
    "SELECT ifnull(password,''),ifnull(is_rememberr_password,0) from t_user_log where id in "
    "(SELECT max(id) from t_user_log where user_id=?)";

// The user's speed limits in KB/s (0: none) and transfers at once (0: the default). Binds 1 uid.
inline constexpr const char* kReadSpeedLimits =
    "SELECT upload_kbps,download_kbps,ifnull(upload_transfers,0),ifnull(download_transfers,0) "
    "FROM t_speed_limit WHERE user_id=?";
// Binds 1 uid, 2 upload, 3 download, 4 upload transfers, 5 download transfers.
inline constexpr const char* kSaveSpeedLimits =
    "INSERT INTO t_speed_limit (user_id,upload_kbps,download_kbps,upload_transfers,"
    "download_transfers) VALUES(?,?,?,?,?) "
    "ON CONFLICT(user_id) DO UPDATE SET upload_kbps=excluded.upload_kbps,"
    "download_kbps=excluded.download_kbps,upload_transfers=excluded.upload_transfers,"
    "download_transfers=excluded.download_transfers";

// Waiting tasks of one direction that the user did not pause, oldest first, with their hold
// mark (is_user_pasue: 0 none, 2 left from an earlier session while automatic resume was off,
// 3 waiting out a back-off after repeated failures). Binds 1 ran_type, 2 a further mark to
// leave out (-1: none), 3 uid, 4 limit.
inline constexpr const char* kWaitingTasks =
    "SELECT id,ifnull(is_user_pasue,0) from t_process_list where ran_type=? and status=2 "
    "and transfer_schedule!=100 and ifnull(is_user_pasue,0)!=1 and ifnull(is_user_pasue,0)!=? "
    "and user_id=? ORDER BY id LIMIT ?";

// Session start with automatic resume off: the user's waiting tasks are held (mark 2), not
// paused, so that switching the choice on brings them back. Binds 1 uid.
inline constexpr const char* kHoldEarlierTasks =
    "UPDATE t_process_list set is_user_pasue=2 where status=2 and ifnull(is_user_pasue,0)=0 "
    "and user_id=?";

// Session start with automatic resume on: held tasks are released. Binds 1 uid.
inline constexpr const char* kReleaseEarlierTasks =
    "UPDATE t_process_list set is_user_pasue=0 where is_user_pasue=2 and user_id=?";

// A task that failed too often in a row waits with a back-off (mark 3) until retry_at (seconds
// since the epoch; only the process that holds it keeps the wait). Binds 1 retry_at, 2 id.
inline constexpr const char* kHoldFailingTask =
    "UPDATE t_process_list set status=2,tranfer_speed=0,is_user_pasue=3,retry_at=? where id=?";

// Sync folders: the pairs (t_sync_pair) and the last synced state of each file of a pair
// (t_sync_journal). Binds 1 uid, 2 local folder, 3 remote folder id, 4 remote path, 5 mode.
inline constexpr const char* kInsertSyncPair =
    "INSERT INTO t_sync_pair (user_id,local_folder,remote_folder_id,remote_path,mode) "
    "VALUES(?,?,?,?,?)";
// Binds 1 uid.
inline constexpr const char* kReadSyncPairs =
    "SELECT id,user_id,local_folder,remote_folder_id,remote_path,mode,last_sync_at "
    "FROM t_sync_pair WHERE user_id=? ORDER BY id";
// Binds 1 pair id, 2 uid.
inline constexpr const char* kDeleteSyncPair = "DELETE FROM t_sync_pair WHERE id=? AND user_id=?";
// Binds 1 pair id.
inline constexpr const char* kDeleteSyncJournal = "DELETE FROM t_sync_journal WHERE pair_id=?";
// Binds 1 seconds since the epoch, 2 pair id.
inline constexpr const char* kSetSyncPairDone = "UPDATE t_sync_pair SET last_sync_at=? WHERE id=?";
// How often the user's pairs look at the disk, in minutes (t_sync_options). Binds 1 uid; the
// upsert 2 minutes.
inline constexpr const char* kReadSyncCheckMinutes =
    "SELECT check_minutes FROM t_sync_options WHERE user_id=?";
inline constexpr const char* kSetSyncCheckMinutes =
    "INSERT INTO t_sync_options (user_id,check_minutes) VALUES(?,?) "
    "ON CONFLICT(user_id) DO UPDATE SET check_minutes=excluded.check_minutes";
// Binds 1 pair id.
inline constexpr const char* kReadSyncJournal =
    "SELECT local_path,remote_path,synced,local_size,local_mtime,local_inode,remote_id,"
    "remote_size,remote_time,digest,pending_kind,pending_size,pending_mtime,pending_inode,"
    "pending_remote_id,pending_remote_size FROM t_sync_journal WHERE pair_id=? ORDER BY local_path";
// Binds 1 pair id, then the columns in the order of kReadSyncJournal (2 to 17).
inline constexpr const char* kPutSyncJournal =
    "INSERT OR REPLACE INTO t_sync_journal (pair_id,local_path,remote_path,synced,local_size,"
    "local_mtime,local_inode,remote_id,remote_size,remote_time,digest,pending_kind,pending_size,"
    "pending_mtime,pending_inode,pending_remote_id,pending_remote_size) "
    "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
// Binds 1 pair id, 2 local path.
inline constexpr const char* kForgetSyncJournal =
    "DELETE FROM t_sync_journal WHERE pair_id=? AND local_path=?";

}  // namespace nubexa::statements
