<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Messages</name>
    <message>
        <source>恭喜您抽到容量：</source>
        <translation>Congratulations! You won extra space: </translation>
    </message>
    <message>
        <source>您今天已经抽过容量了...</source>
        <translation>You have already drawn extra space today.</translation>
    </message>
    <message>
        <source>网络连接失败，请检查网络后重试</source>
        <translation>The network connection failed. Please check your network and try again.</translation>
    </message>
    <message>
        <source>服务器的回答无法识别，请稍后重试</source>
        <translation>The server&apos;s answer could not be understood. Please try again later.</translation>
    </message>
    <message>
        <source>与服务器的连接未加密</source>
        <translation>The connection to the server is not encrypted.</translation>
    </message>
    <message>
        <source>文件服务器 {} 不支持加密，文件以明文传输</source>
        <translation>The file server {} does not support encryption; files are transferred unencrypted.</translation>
    </message>
    <message>
        <source>系统密钥库没有应答，未能读取记住的密码，请输入密码后登录</source>
        <translation>The system keyring did not answer, so the remembered password could not be read. Please enter your password to sign in.</translation>
    </message>
    <message>
        <source>找不到系统密钥库，未能读取记住的密码，请输入密码后登录</source>
        <translation>No system keyring was found, so the remembered password could not be read. Please enter your password to sign in.</translation>
    </message>
    <message>
        <source>nubexa-cli run 正在传输这台电脑上的任务；它结束后，客户端再接手传输队列。</source>
        <translation>nubexa-cli run is transferring this computer&apos;s tasks; the client takes over the transfer queue when it has finished.</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>Nubexa网盘</source>
        <translation>Nubexa Cloud Disk</translation>
    </message>
    <message>
        <source>请输入用户名</source>
        <translation>Please enter your user name.</translation>
    </message>
    <message>
        <source>请输入密码</source>
        <translation>Please enter a password.</translation>
    </message>
    <message>
        <source>无法设置开机自动启动：</source>
        <translation>Could not set up starting with the desktop: </translation>
    </message>
    <message>
        <source>无法取消开机自动启动：</source>
        <translation>Could not stop starting with the desktop: </translation>
    </message>
    <message>
        <source>设置未能保存，请检查 bin.db 是否可写。</source>
        <translation>The settings could not be saved. Please check that bin.db is writable.</translation>
    </message>
    <message>
        <source>关闭成功</source>
        <translation>Closed.</translation>
    </message>
    <message>
        <source>关闭失败</source>
        <translation>Could not close it.</translation>
    </message>
    <message>
        <source>删除成功</source>
        <translation>Deleted.</translation>
    </message>
    <message>
        <source>删除失败</source>
        <translation>Could not delete it.</translation>
    </message>
    <message>
        <source>文件夹彻底删除失败</source>
        <translation>Could not delete the folder permanently.</translation>
    </message>
    <message>
        <source>文件彻底删除失败</source>
        <translation>Could not delete the file permanently.</translation>
    </message>
    <message>
        <source>请输入文件夹名称</source>
        <translation>Please enter a folder name.</translation>
    </message>
    <message>
        <source>请选择要移动到的文件夹</source>
        <translation>Please choose the folder to move to.</translation>
    </message>
    <message>
        <source>两次输入密码不一致</source>
        <translation>The two passwords do not match.</translation>
    </message>
    <message>
        <source>请输入要分享的邮件</source>
        <translation>Please enter the e-mail addresses to share with.</translation>
    </message>
    <message>
        <source>请输入自定义地址</source>
        <translation>Please enter a custom address.</translation>
    </message>
    <message>
        <source>请输入白名单域名</source>
        <translation>Please enter the allowed domains.</translation>
    </message>
    <message>
        <source>分享成功</source>
        <translation>Shared.</translation>
    </message>
    <message>
        <source>分享失败</source>
        <translation>Could not share it.</translation>
    </message>
    <message>
        <source>密码错误</source>
        <translation>Wrong password.</translation>
    </message>
    <message>
        <source>E-mail 私密分享服务为VIP尊享服务权限，请升级至VIP服务</source>
        <translation>Private sharing by e-mail is a VIP service. Please upgrade to VIP.</translation>
    </message>
    <message>
        <source>网盘直链服务未开通，请先开通服务</source>
        <translation>The direct link service is not active. Please activate it first.</translation>
    </message>
    <message>
        <source>操作成功</source>
        <translation>Done.</translation>
    </message>
    <message>
        <source>操作失败</source>
        <translation>The operation failed.</translation>
    </message>
    <message>
        <source>还原成功</source>
        <translation>Restored.</translation>
    </message>
    <message>
        <source>还原失败</source>
        <translation>Could not restore it.</translation>
    </message>
    <message>
        <source>添加失败，可能是网络原因，请再试...</source>
        <translation>Could not add it, perhaps because of the network. Please try again.</translation>
    </message>
    <message>
        <source>添加成功</source>
        <translation>Added.</translation>
    </message>
    <message>
        <source>请输入新名称</source>
        <translation>Please enter a new name.</translation>
    </message>
    <message>
        <source>移动成功</source>
        <translation>Moved.</translation>
    </message>
    <message>
        <source>移动失败</source>
        <translation>Could not move it.</translation>
    </message>
    <message>
        <source>炫彩界面库-提示框</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>直链启用成功</source>
        <translation>Direct link enabled.</translation>
    </message>
    <message>
        <source>直链启用失败</source>
        <translation>Could not enable the direct link.</translation>
    </message>
    <message>
        <source>加密成功</source>
        <translation>Encrypted.</translation>
    </message>
    <message>
        <source>解密成功</source>
        <translation>Decrypted.</translation>
    </message>
    <message>
        <source>加密失败</source>
        <translation>Could not encrypt it.</translation>
    </message>
    <message>
        <source>解密失败</source>
        <translation>Could not decrypt it.</translation>
    </message>
    <message>
        <source>敬请期待</source>
        <translation>Coming soon.</translation>
    </message>
    <message>
        <source>复制成功</source>
        <translation>Copied.</translation>
    </message>
    <message>
        <source>操作失败，请检查 bin.db 是否可写</source>
        <translation>The operation failed. Please check that bin.db is writable.</translation>
    </message>
    <message>
        <source>未能添加同步文件夹：%1</source>
        <translation>The sync folder was not added: %1</translation>
    </message>
    <message>
        <source>请选择本地文件夹</source>
        <translation>Please choose a local folder.</translation>
    </message>
    <message>
        <source>本地文件夹须为完整路径（以 / 开头）</source>
        <translation>The local folder must be a full path (starting with /).</translation>
    </message>
    <message>
        <source>请输入网盘文件夹，例如 /备份</source>
        <translation>Please enter a disk folder, for example /Backup.</translation>
    </message>
    <message>
        <source>网盘的根目录不能同步，请指定其中的文件夹</source>
        <translation>The top folder of the disk cannot be synced; please name a folder in it.</translation>
    </message>
    <message>
        <source>网络异常，上传失败</source>
        <translation>The network failed; the upload was not done.</translation>
    </message>
    <message>
        <source>网络异常，下载失败</source>
        <translation>The network failed; the download was not done.</translation>
    </message>
    <message>
        <source>网络异常，头像下载失败</source>
        <translation>The network failed; the profile picture was not downloaded.</translation>
    </message>
    <message>
        <source>下载失败</source>
        <translation>Download failed</translation>
    </message>
    <message>
        <source>选择的文件夹已经存在，请修改后再上传</source>
        <translation>A folder of that name exists on the disk already. Rename it and upload again.</translation>
    </message>
    <message>
        <source>要下载的文件夹已经存在，请改名后再下载！</source>
        <translation>The folder exists on this computer already. Rename it and download again.</translation>
    </message>
    <message>
        <source>文件夹创建失败</source>
        <translation>A local folder could not be created</translation>
    </message>
    <message>
        <source>不能把文件系统的最顶层作为文件夹上传</source>
        <translation>The top of the file system cannot be uploaded as a folder</translation>
    </message>
    <message>
        <source>服务器忙，请稍后再试</source>
        <translation>The service is busy. Please try again later.</translation>
    </message>
    <message>
        <source>登录已失效，请重新登录</source>
        <translation>The sign-in has expired. Please sign in again.</translation>
    </message>
    <message>
        <source>请选择要上传的文件</source>
        <translation>Choose the file to upload</translation>
    </message>
    <message>
        <source>请选择存放的路径 </source>
        <translation>Choose where to save it</translation>
    </message>
    <message>
        <source>请选择上传文件夹: </source>
        <translation>Choose the folder to upload</translation>
    </message>
    <message>
        <source>链接指向的项目不存在</source>
        <translation>a link to nothing</translation>
    </message>
    <message>
        <source>链接形成循环</source>
        <translation>a link that leads round in a loop</translation>
    </message>
    <message>
        <source>指向文件夹的链接，未跟随</source>
        <translation>a link to a folder, not followed</translation>
    </message>
    <message>
        <source>不是普通文件（管道、套接字或设备）</source>
        <translation>not a regular file (a pipe, socket or device)</translation>
    </message>
    <message>
        <source>无法读取</source>
        <translation>cannot be read</translation>
    </message>
    <message>
        <source>名称无效</source>
        <translation>not a valid name</translation>
    </message>
    <message>
        <source>名称不是有效的UTF-8文本</source>
        <translation>the name is not valid UTF-8 text</translation>
    </message>
    <message>
        <source>名称太长（网盘最多255字节）</source>
        <translation>the name is too long (the disk takes 255 bytes at most)</translation>
    </message>
    <message>
        <source>回收站无法写入</source>
        <translation>the trash cannot be written</translation>
    </message>
    <message>
        <source>回收站中同名文件过多</source>
        <translation>the trash holds too many files of that name</translation>
    </message>
    <message>
        <source>%1 个文件名含有网盘不允许的字符，已替换为全角字符</source>
        <translation>%1 file name(s) held characters the disk does not allow; they were replaced by full-width ones</translation>
    </message>
    <message>
        <source>%1 个名称与同一文件夹中的项目重名，已加上编号</source>
        <translation>%1 name(s) met another item of the same folder and were numbered</translation>
    </message>
    <message>
        <source>%1 个文件名无法在本地使用，已改为安全的名称</source>
        <translation>%1 file name(s) cannot be used here and were given safe local names</translation>
    </message>
    <message>
        <source>%1 个名称以组合形式（NFC）保存</source>
        <translation>%1 name(s) are saved in composed Unicode form (NFC), as they are written here</translation>
    </message>
    <message>
        <source>已跳过 %1 个无法上传的项目</source>
        <translation>%1 item(s) that cannot be uploaded were skipped</translation>
    </message>
    <message>
        <source>服务器在 %1 字节处结束了文件，列出的大小为 %2 字节</source>
        <translation>The server ended the file at byte %1; its listed size is %2 bytes</translation>
    </message>
    <message>
        <source>大小未知的文件超过了上限（%1 字节），服务器仍在发送</source>
        <translation>A file of unknown size went past the limit (%1 bytes) and the server was still sending</translation>
    </message>
    <message>
        <source>服务器发送的数据超过其 SIZE 回答（%1 字节）</source>
        <translation>The server sent more than its SIZE answer (%1 bytes)</translation>
    </message>
    <message>
        <source>服务器发送的数据超过列出的大小（%1 字节）</source>
        <translation>The server sent more than the listed size (%1 bytes)</translation>
    </message>
    <message>
        <source>(%1）单文件大小超过你当前等级限制</source>
        <translation>%1 is larger than your level allows for one file</translation>
    </message>
    <message>
        <source>(%1）无法读取，没有上传</source>
        <translation>%1 cannot be read: not uploaded</translation>
    </message>
    <message>
        <source>(%1）文件夹创建失败，其中的文件没有上传</source>
        <translation>The folder %1 could not be made: its files were not uploaded</translation>
    </message>
    <message>
        <source>(%1）的名称以组合形式（NFC）保存</source>
        <translation>The name %1 is saved in composed Unicode form (NFC), as it is written here</translation>
    </message>
    <message>
        <source>(%1）的文件名无法在本地使用，已保存为：%2</source>
        <translation>The name %1 cannot be used here; it was saved as: %2</translation>
    </message>
    <message>
        <source>(%1）%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>本地路径已经存在该文件，不能下载。失败文件名为:%1</source>
        <translation>The file exists on this computer already; not downloaded: %1</translation>
    </message>
    <message>
        <source>本地文件未找到或位置发现变化，上传失败。失败文件名为:%1</source>
        <translation>The local file is missing or was moved; upload failed: %1</translation>
    </message>
    <message>
        <source>文件服务器暂不接受登录：%1</source>
        <translation>The file server does not take a sign-in now: %1</translation>
    </message>
    <message>
        <source>磁盘空间不足：%1</source>
        <translation>No space left on the disk of %1</translation>
    </message>
    <message>
        <source>无法写入 bin.db，传输暂停：%1</source>
        <translation>bin.db cannot be written, so transfers are paused: %1</translation>
    </message>
    <message>
        <source>文件服务器拒绝加密，密码和文件以明文传输：%1</source>
        <translation>The file server refused encryption; the password and the files travel in clear text: %1</translation>
    </message>
    <message>
        <source>下载位置中有链接或文件挡住了文件夹，不能下载：%1</source>
        <translation>A link or file stands where a folder of the download should be; not downloaded: %1</translation>
    </message>
    <message>
        <source>网盘拒绝了文件名：%1</source>
        <translation>The disk refused the file name: %1</translation>
    </message>
    <message>
        <source>没有读取本地文件的权限：%1</source>
        <translation>No permission to read the local file: %1</translation>
    </message>
    <message>
        <source>证书无法验证：%1</source>
        <translation>The certificate cannot be verified: %1</translation>
    </message>
    <message>
        <source>未能读取直链设置</source>
        <translation>Could not read the direct link&apos;s settings.</translation>
    </message>
    <message>
        <source>未能读取直链地址</source>
        <translation>Could not read the direct link&apos;s address.</translation>
    </message>
    <message>
        <source>未能读取分享设置</source>
        <translation>Could not read the share&apos;s settings.</translation>
    </message>
    <message>
        <source>未能读取分享地址</source>
        <translation>Could not read the share&apos;s address.</translation>
    </message>
    <message>
        <source>未能读取文件夹</source>
        <translation>Could not read the folders.</translation>
    </message>
    <message>
        <source>系统密钥库没有及时应答，密码可能没有记住，下次登录时可能需要输入密码</source>
        <translation>The system keyring did not answer in time: the password may not be remembered, and the next sign-in may ask for it.</translation>
    </message>
</context>
<context>
    <name>nubexa::app::AppMenu</name>
    <message>
        <source>访问WEB站点</source>
        <translation>Visit Website</translation>
    </message>
    <message>
        <source>显示主窗体</source>
        <translation>Show Main Window</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>切换账户</source>
        <translation>Switch Account</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>托盘菜单</source>
        <translation>Tray menu</translation>
    </message>
    <message>
        <source>主菜单</source>
        <translation>Main menu</translation>
    </message>
    <message>
        <source>同步文件夹</source>
        <translation>Sync Folders</translation>
    </message>
</context>
<context>
    <name>nubexa::app::CSkinDlg</name>
    <message>
        <source>更换皮肤</source>
        <translation>Change Skin</translation>
    </message>
    <message>
        <source>标题</source>
        <translation>Title</translation>
    </message>
    <message>
        <source>皮肤列表</source>
        <translation>Skins</translation>
    </message>
</context>
<context>
    <name>nubexa::app::CSystemSetDlg</name>
    <message>
        <source>启动与登录</source>
        <translation>Start and Sign-in</translation>
    </message>
    <message>
        <source>启动</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>开机自动启动</source>
        <translation>Start with the desktop</translation>
    </message>
    <message>
        <source>启动自动登录</source>
        <translation>Sign in automatically</translation>
    </message>
    <message>
        <source>启动后自动开始未完成的任务(上传/下载)</source>
        <translation>Resume unfinished transfers at start</translation>
    </message>
    <message>
        <source>限速</source>
        <translation>Limits</translation>
    </message>
    <message>
        <source>上传限速</source>
        <translation>Upload limit</translation>
    </message>
    <message>
        <source>上传</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>下载限速</source>
        <translation>Download limit</translation>
    </message>
    <message>
        <source>下载</source>
        <translation>Down</translation>
    </message>
    <message>
        <source>同时上传数</source>
        <translation>Uploads at once</translation>
    </message>
    <message>
        <source>同时下载数</source>
        <translation>Downloads at once</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>不限速</source>
        <translation>No limit</translation>
    </message>
    <message>
        <source>同时 </source>
        <translation>Max </translation>
    </message>
    <message>
        <source>语言</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>界面语言</source>
        <translation>Interface language</translation>
    </message>
    <message>
        <source>跟随系统</source>
        <translation>System</translation>
    </message>
    <message>
        <source>中文</source>
        <translation>Chinese (中文)</translation>
    </message>
    <message>
        <source>下次启动时生效</source>
        <translation>Applies at next start</translation>
    </message>
    <message>
        <source>系统设置</source>
        <translation>Settings</translation>
    </message>
</context>
<context>
    <name>nubexa::app::DrawResultDlg</name>
    <message>
        <source>抽容量</source>
        <translation>Space Draw</translation>
    </message>
</context>
<context>
    <name>nubexa::app::MainFrame</name>
    <message>
        <source>页面区域</source>
        <translation>Page area</translation>
    </message>
    <message>
        <source>Nubexa网盘</source>
        <translation>Nubexa Cloud Disk</translation>
    </message>
    <message>
        <source>传输速度</source>
        <translation>Transfer speed</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>还原</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>最小化</source>
        <translation>Minimize</translation>
    </message>
    <message>
        <source>菜单</source>
        <translation>Menu</translation>
    </message>
    <message>
        <source>换肤</source>
        <translation>Skin</translation>
    </message>
    <message>
        <source>调整窗口大小</source>
        <translation>Resize window</translation>
    </message>
    <message>
        <source>Nubexa网盘 PC版</source>
        <translation>Nubexa Cloud Disk for PC</translation>
    </message>
    <message>
        <source>上传：0 KB/S 下载：0 KB/S</source>
        <translation>Up: 0 KB/S Down: 0 KB/S</translation>
    </message>
    <message>
        <source>(限速)</source>
        <translation>(limited)</translation>
    </message>
    <message>
        <source>上传：%1 KB/S%2 下载：%3 KB/S%4</source>
        <translation>Up: %1 KB/S%2 Down: %3 KB/S%4</translation>
    </message>
    <message>
        <source>最大化</source>
        <translation>Maximise</translation>
    </message>
</context>
<context>
    <name>nubexa::app::MainWindowExtras</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>知道了</source>
        <translation>Got it</translation>
    </message>
</context>
<context>
    <name>nubexa::app::NoticeLink</name>
    <message>
        <source>公告</source>
        <translation>Announcement</translation>
    </message>
</context>
<context>
    <name>nubexa::app::NoticeRotation</name>
    <message>
        <source>Nubexa客户端隆重上线.</source>
        <translation>The Nubexa client is here.</translation>
    </message>
</context>
<context>
    <name>nubexa::app::QueueWatch</name>
    <message>
        <source>“%1”多次传输失败，已暂停，稍后自动重试</source>
        <translation>&quot;%1&quot; failed several times and is paused; it will be retried later.</translation>
    </message>
    <message>
        <source>“%1”传输失败：%2</source>
        <translation>&quot;%1&quot; could not be transferred: %2</translation>
    </message>
    <message>
        <source>正在传输：上传 %1 个，下载 %2 个，已完成 %3%
%4</source>
        <translation>Transferring: %1 up, %2 down, %3% done
%4</translation>
    </message>
    <message>
        <source>上传 %1 个文件，下载 %2 个文件</source>
        <translation>Files uploaded: %1, downloaded: %2</translation>
    </message>
    <message>
        <source>，%1 个失败</source>
        <translation>, failed: %1</translation>
    </message>
    <message>
        <source>传输完成</source>
        <translation>Transfers finished</translation>
    </message>
    <message>
        <source>传输失败</source>
        <translation>Transfer failed</translation>
    </message>
    <message>
        <source>上传：%1 KB/S 下载：%2 KB/S</source>
        <translation>Up: %1 KB/S Down: %2 KB/S</translation>
    </message>
</context>
<context>
    <name>nubexa::app::SignInWindow</name>
    <message>
        <source>请输入账户(id、昵称、邮箱均可)</source>
        <translation>ID, nickname or e-mail</translation>
    </message>
    <message>
        <source>密码</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>登录</source>
        <translation>Sign in</translation>
    </message>
    <message>
        <source>记住密码</source>
        <translation>Remember password</translation>
    </message>
    <message>
        <source>自动登录</source>
        <translation>Sign in automatically</translation>
    </message>
    <message>
        <source>账户</source>
        <translation>Account</translation>
    </message>
    <message>
        <source>忘记密码</source>
        <translation>Forgot password</translation>
    </message>
    <message>
        <source>QQ登录</source>
        <translation>QQ sign-in</translation>
    </message>
    <message>
        <source>新浪微博登录</source>
        <translation>Sina Weibo sign-in</translation>
    </message>
    <message>
        <source>注册</source>
        <translation>Register</translation>
    </message>
    <message>
        <source>账户或密码错误</source>
        <translation>Wrong account or password</translation>
    </message>
    <message>
        <source>Nubexa网盘 PC版 登录窗口</source>
        <translation>Nubexa Cloud Disk for PC - Sign In</translation>
    </message>
</context>
<context>
    <name>nubexa::app::SingleInstance</name>
    <message>
        <source>临时文件夹中的“nubexa-%1”不属于当前用户，无法保证只运行一个客户端。</source>
        <translation>&quot;nubexa-%1&quot; in the temporary folder does not belong to the current user, so only one client running at a time cannot be ensured.</translation>
    </message>
    <message>
        <source>本地连接“%1”上的程序没有像客户端那样应答，客户端未启动。</source>
        <translation>The program on the local connection &quot;%1&quot; did not answer as the client does; the client was not started.</translation>
    </message>
</context>
<context>
    <name>nubexa::app::SystemDesktopNotice</name>
    <message>
        <source>Nubexa网盘</source>
        <translation>Nubexa Cloud Disk</translation>
    </message>
</context>
<context>
    <name>nubexa::app::Toolbar</name>
    <message>
        <source>我的网盘</source>
        <translation>My Files</translation>
    </message>
    <message>
        <source>签到抽容量</source>
        <translation>Daily Draw</translation>
    </message>
    <message>
        <source>圈子社区</source>
        <translation>Community</translation>
    </message>
    <message>
        <source>好友交流</source>
        <translation>Friends</translation>
    </message>
    <message>
        <source>资源中心</source>
        <translation>Resources</translation>
    </message>
    <message>
        <source>WEB云主机</source>
        <translation>Web Hosting</translation>
    </message>
</context>
<context>
    <name>nubexa::app::TrayIcon</name>
    <message>
        <source>Nubexa网盘客户端</source>
        <translation>Nubexa Cloud Disk client</translation>
    </message>
</context>
<context>
    <name>nubexa::app::UserPanel</name>
    <message>
        <source>用户信息</source>
        <translation>User information</translation>
    </message>
    <message>
        <source>头像</source>
        <translation>Avatar</translation>
    </message>
    <message>
        <source>昵称</source>
        <translation>Nickname</translation>
    </message>
    <message>
        <source>[管理]</source>
        <translation>[Manage]</translation>
    </message>
    <message>
        <source>会员等级</source>
        <translation>Membership level</translation>
    </message>
    <message>
        <source>直链</source>
        <translation>Direct link</translation>
    </message>
    <message>
        <source>扩容</source>
        <translation>More space</translation>
    </message>
    <message>
        <source>容量</source>
        <translation>Capacity</translation>
    </message>
    <message>
        <source>分隔线</source>
        <translation>Separator</translation>
    </message>
    <message>
        <source>连接已加密</source>
        <translation>Connection encrypted</translation>
    </message>
</context>
<context>
    <name>nubexa::app::WaitingDialog</name>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>检测QQ登录中...</source>
        <translation>Waiting for the QQ sign-in...</translation>
    </message>
</context>
<context>
    <name>nubexa::pages::CXPageMyDisk</name>
    <message>
        <source>按名称升序</source>
        <translation>Name A–Z</translation>
    </message>
    <message>
        <source>按名称降序</source>
        <translation>Name Z–A</translation>
    </message>
    <message>
        <source>按时间升序</source>
        <translation>Oldest</translation>
    </message>
    <message>
        <source>按时间降序</source>
        <translation>Newest</translation>
    </message>
    <message>
        <source>按大小升序</source>
        <translation>Smallest</translation>
    </message>
    <message>
        <source>按大小降序</source>
        <translation>Largest</translation>
    </message>
    <message>
        <source>按直链升序</source>
        <translation>Links last</translation>
    </message>
    <message>
        <source>按直链降序</source>
        <translation>Links first</translation>
    </message>
    <message>
        <source>按外链升序</source>
        <translation>Shares last</translation>
    </message>
    <message>
        <source>按外链降序</source>
        <translation>Shares first</translation>
    </message>
    <message>
        <source>当前位置：我的外链</source>
        <translation>Location: My Shared Links</translation>
    </message>
    <message>
        <source>当前位置：我的直链</source>
        <translation>Location: My Direct Links</translation>
    </message>
    <message>
        <source>当前位置：回收站</source>
        <translation>Location: Recycle Bin</translation>
    </message>
    <message>
        <source>当前位置：最近上传</source>
        <translation>Location: Recent Uploads</translation>
    </message>
    <message>
        <source>当前位置：正在上传</source>
        <translation>Location: Uploading</translation>
    </message>
    <message>
        <source>当前位置：正在下载</source>
        <translation>Location: Downloading</translation>
    </message>
    <message>
        <source>我的网盘页面</source>
        <translation>My Files page</translation>
    </message>
    <message>
        <source>上传</source>
        <translation>Upload</translation>
    </message>
    <message>
        <source>上传类型</source>
        <translation>Upload type</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>Files</translation>
    </message>
    <message>
        <source>文件夹</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>新建文件夹</source>
        <translation>New Folder</translation>
    </message>
    <message>
        <source>首页</source>
        <translation>Home</translation>
    </message>
    <message>
        <source>刷新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>搜索</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>搜索我的网盘文件</source>
        <translation>Search my files</translation>
    </message>
    <message>
        <source>搜索按钮</source>
        <translation>Search button</translation>
    </message>
    <message>
        <source>当前位置：我的网盘</source>
        <translation>Location: My Files</translation>
    </message>
    <message>
        <source>位置标签</source>
        <translation>Location label</translation>
    </message>
    <message>
        <source>排序</source>
        <translation>Sort</translation>
    </message>
    <message>
        <source>文件列表</source>
        <translation>File list</translation>
    </message>
    <message>
        <source>正在加载</source>
        <translation>Loading</translation>
    </message>
    <message>
        <source>搜索“%1”的结果</source>
        <translation>Results for &quot;%1&quot;</translation>
    </message>
    <message>
        <source>我的网盘</source>
        <translation>My Files</translation>
    </message>
    <message>
        <source>我的外链</source>
        <translation>My Shared Links</translation>
    </message>
    <message>
        <source>我的直链</source>
        <translation>My Direct Links</translation>
    </message>
    <message>
        <source>回收站</source>
        <translation>Recycle Bin</translation>
    </message>
    <message>
        <source>最近上传</source>
        <translation>Recent Uploads</translation>
    </message>
    <message>
        <source>正在上传</source>
        <translation>Uploading</translation>
    </message>
    <message>
        <source>正在下载</source>
        <translation>Downloading</translation>
    </message>
    <message>
        <source>缩略图列表</source>
        <translation>Thumbnail list</translation>
    </message>
    <message>
        <source>缩略图</source>
        <translation>Thumbnails</translation>
    </message>
    <message>
        <source>切换缩略图与列表</source>
        <translation>Switch between thumbnails and list</translation>
    </message>
    <message>
        <source>列表</source>
        <translation>List</translation>
    </message>
</context>
<context>
    <name>nubexa::pages::ConfirmDialog</name>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>确定删除</source>
        <translation>Delete this item?</translation>
    </message>
    <message>
        <source>彻底删除</source>
        <translation>Delete Permanently</translation>
    </message>
    <message>
        <source>彻底删除将无法恢复,确定删除？</source>
        <translation>Items deleted permanently cannot be recovered. Delete?</translation>
    </message>
    <message>
        <source>清空回收站</source>
        <translation>Empty Recycle Bin</translation>
    </message>
    <message>
        <source>清空后将无法恢复，确定清空？：</source>
        <translation>Emptied items cannot be recovered. Empty the Recycle Bin?</translation>
    </message>
    <message>
        <source>关闭文件直链?</source>
        <translation>Close Direct Link?</translation>
    </message>
    <message>
        <source>确定关闭文件直链?</source>
        <translation>Close the file&apos;s direct link?</translation>
    </message>
    <message>
        <source>关闭文件分享?</source>
        <translation>Stop Sharing?</translation>
    </message>
    <message>
        <source>确定关闭文件分享?</source>
        <translation>Stop sharing the file?</translation>
    </message>
    <message>
        <source>确定删除这 %1 项</source>
        <translation>Delete these %1 items?</translation>
    </message>
</context>
<context>
    <name>nubexa::pages::DeleteTaskDialog</name>
    <message>
        <source>确定删除</source>
        <translation>Delete this item?</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>任务将从列表中移除，
本地和网盘中的文件保留。</source>
        <translation>The task leaves the list;
the local and cloud files stay.</translation>
    </message>
    <message>
        <source>删除说明</source>
        <translation>Delete explanation</translation>
    </message>
</context>
<context>
    <name>nubexa::pages::DirectLinkDialog</name>
    <message>
        <source>启用文件直链</source>
        <translation>Enable Direct Link</translation>
    </message>
    <message>
        <source>直链地址(可以修改自定义)：</source>
        <translation>Direct link address (you may customize it):</translation>
    </message>
    <message>
        <source>自定义地址</source>
        <translation>Custom address</translation>
    </message>
    <message>
        <source>是否启用白名单防盗链技术：</source>
        <translation>Allow only listed domains:</translation>
    </message>
    <message>
        <source>否</source>
        <translation>No</translation>
    </message>
    <message>
        <source>不启用白名单</source>
        <translation>No domain list</translation>
    </message>
    <message>
        <source>是</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>启用白名单</source>
        <translation>Domain list</translation>
    </message>
    <message>
        <source>请输入直链可使用域名，多个域名请使用，隔开</source>
        <translation>Domains allowed to use the link, separated by commas</translation>
    </message>
    <message>
        <source>白名单域名</source>
        <translation>Allowed domains</translation>
    </message>
</context>
<context>
    <name>nubexa::pages::DiskListModel</name>
    <message>
        <source>%1
%2 字节
%3</source>
        <translation>%1
%2 bytes
%3</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>外链</source>
        <translation>Share</translation>
    </message>
    <message>
        <source>直链</source>
        <translation>Link</translation>
    </message>
    <message>
        <source>大小</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>创建时间</source>
        <translation>Created</translation>
    </message>
</context>
<context>
    <name>nubexa::pages::DiskRows</name>
    <message>
        <source>返回</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>[密]</source>
        <translation> [locked]</translation>
    </message>
    <message>
        <source>启用</source>
        <translation>On</translation>
    </message>
    <message>
        <source>禁用</source>
        <translation>Off</translation>
    </message>
</context>
<context>
    <name>nubexa::pages::EncryptDialog</name>
    <message>
        <source>加密</source>
        <translation>Encrypt</translation>
    </message>
    <message>
        <source>文件夹名称：</source>
        <translation>Folder name:</translation>
    </message>
    <message>
        <source>密码：</source>
        <translation>Password:</translation>
    </message>
    <message>
        <source>密码</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>重复密码：</source>
        <translation>Repeat:</translation>
    </message>
    <message>
        <source>重复密码</source>
        <translation>Repeat password</translation>
    </message>
    <message>
        <source>密码提示：</source>
        <translation>Hint:</translation>
    </message>
    <message>
        <source>密码提示</source>
        <translation>Password hint</translation>
    </message>
</context>
<context>
    <name>nubexa::pages::ItemDialog</name>
    <message>
        <source>广告</source>
        <translation>Banner</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>nubexa::pages::LocationLine</name>
    <message>
        <source>当前位置</source>
        <translation>Location</translation>
    </message>
</context>
<context>
    <name>nubexa::pages::MoveDialog</name>
    <message>
        <source>移动</source>
        <translation>Move</translation>
    </message>
    <message>
        <source>移动到文件夹名称：</source>
        <translation>Move to folder:</translation>
    </message>
    <message>
        <source>目标文件夹</source>
        <translation>Target folder</translation>
    </message>
    <message>
        <source>选择</source>
        <translation>Choose</translation>
    </message>
    <message>
        <source>选择将对象移动到的文件夹</source>
        <translation>Choose the folder to move the item to</translation>
    </message>
    <message>
        <source>我的网盘</source>
        <translation>My Files</translation>
    </message>
</context>
<context>
    <name>nubexa::pages::NewFolderDialog</name>
    <message>
        <source>新建文件夹</source>
        <translation>New Folder</translation>
    </message>
    <message>
        <source>文件夹名称：</source>
        <translation>Folder name:</translation>
    </message>
    <message>
        <source>文件夹名称</source>
        <translation>Folder name</translation>
    </message>
</context>
<context>
    <name>nubexa::pages::PasswordPromptDialog</name>
    <message>
        <source>加密</source>
        <translation>Encrypt</translation>
    </message>
    <message>
        <source>文件夹名称：</source>
        <translation>Folder name:</translation>
    </message>
    <message>
        <source>密码：</source>
        <translation>Password:</translation>
    </message>
    <message>
        <source>密码</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>密码提示：</source>
        <translation>Hint:</translation>
    </message>
</context>
<context>
    <name>nubexa::pages::PreviewMediaPanel</name>
    <message>
        <source>视频</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>播放</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>播放或暂停</source>
        <translation>Play or pause</translation>
    </message>
    <message>
        <source>播放位置</source>
        <translation>Playback position</translation>
    </message>
    <message>
        <source>播放时间</source>
        <translation>Playback time</translation>
    </message>
    <message>
        <source>音量</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>无法播放此文件。</source>
        <translation>This file cannot be played.</translation>
    </message>
    <message>
        <source>无法播放：%1</source>
        <translation>Cannot play: %1</translation>
    </message>
</context>
<context>
    <name>nubexa::pages::PreviewWindow</name>
    <message>
        <source>上一张</source>
        <translation>Previous</translation>
    </message>
    <message>
        <source>上一张图片</source>
        <translation>Previous picture</translation>
    </message>
    <message>
        <source>下一张</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>下一张图片</source>
        <translation>Next picture</translation>
    </message>
    <message>
        <source>缩小</source>
        <translation>Zoom out</translation>
    </message>
    <message>
        <source>缩小图片</source>
        <translation>Zoom the picture out</translation>
    </message>
    <message>
        <source>放大</source>
        <translation>Zoom in</translation>
    </message>
    <message>
        <source>放大图片</source>
        <translation>Zoom the picture in</translation>
    </message>
    <message>
        <source>原始大小</source>
        <translation>Actual size</translation>
    </message>
    <message>
        <source>适应窗口</source>
        <translation>Fit</translation>
    </message>
    <message>
        <source>图片适应窗口</source>
        <translation>Fit the picture to the window</translation>
    </message>
    <message>
        <source>下载</source>
        <translation>Download</translation>
    </message>
    <message>
        <source>下载此文件</source>
        <translation>Download this file</translation>
    </message>
    <message>
        <source>分享</source>
        <translation>Share</translation>
    </message>
    <message>
        <source>分享此文件</source>
        <translation>Share this file</translation>
    </message>
    <message>
        <source>预览提示</source>
        <translation>Preview note</translation>
    </message>
    <message>
        <source>预览状态</source>
        <translation>Preview status</translation>
    </message>
    <message>
        <source>图片</source>
        <translation>Picture</translation>
    </message>
    <message>
        <source>文件内容</source>
        <translation>File content</translation>
    </message>
    <message>
        <source>文件类型</source>
        <translation>File type</translation>
    </message>
    <message>
        <source>文件名</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>文件大小</source>
        <translation>File size</translation>
    </message>
    <message>
        <source>%1 - 预览</source>
        <translation>%1 - Preview</translation>
    </message>
    <message>
        <source>文件太大，无法预览，请下载后查看。</source>
        <translation>The file is too large to preview; download it to view it.</translation>
    </message>
    <message>
        <source>此类文件无法预览。</source>
        <translation>Files of this type cannot be previewed.</translation>
    </message>
    <message>
        <source>正在加载…</source>
        <translation>Loading…</translation>
    </message>
    <message>
        <source>正在加载 %1 …</source>
        <translation>Loading %1 …</translation>
    </message>
    <message>
        <source>大小：%1</source>
        <translation>Size: %1</translation>
    </message>
    <message>
        <source>%1 × %2 像素</source>
        <translation>%1 × %2 pixels</translation>
    </message>
    <message>
        <source>编码：%1</source>
        <translation>Encoding: %1</translation>
    </message>
    <message>
        <source>部分字符无法识别。</source>
        <translation>Some characters could not be read.</translation>
    </message>
    <message>
        <source>文件较大，只显示了前 %1 KB。</source>
        <translation>The file is long: only its first %1 KB are shown.</translation>
    </message>
    <message>
        <source>网盘中已没有这个文件。</source>
        <translation>The file is no longer on the disk.</translation>
    </message>
    <message>
        <source>文件获取失败，请检查网络后重试。</source>
        <translation>The file could not be fetched. Check the network and try again.</translation>
    </message>
    <message>
        <source>图片尺寸过大（%1 × %2 像素），不予显示。</source>
        <translation>The picture is too large (%1 × %2 pixels) and is not shown.</translation>
    </message>
    <message>
        <source>无法读取此图片。</source>
        <translation>This picture cannot be read.</translation>
    </message>
    <message>
        <source>本机没有可用的音视频播放组件，无法播放。</source>
        <translation>No sound and video player is available on this computer, so the file cannot be played.</translation>
    </message>
    <message>
        <source>无法播放此文件。</source>
        <translation>This file cannot be played.</translation>
    </message>
</context>
<context>
    <name>nubexa::pages::RenameDialog</name>
    <message>
        <source>重命名文件夹</source>
        <translation>Rename Folder</translation>
    </message>
    <message>
        <source>重命名文件</source>
        <translation>Rename File</translation>
    </message>
    <message>
        <source>新名称：</source>
        <translation>New name:</translation>
    </message>
    <message>
        <source>新名称</source>
        <translation>New name</translation>
    </message>
</context>
<context>
    <name>nubexa::pages::RowMenu</name>
    <message>
        <source>重命名</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>移动</source>
        <translation>Move</translation>
    </message>
    <message>
        <source>解密</source>
        <translation>Decrypt</translation>
    </message>
    <message>
        <source>加密</source>
        <translation>Encrypt</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>启用外链分享</source>
        <translation>Share Link</translation>
    </message>
    <message>
        <source>查看外链分享地址</source>
        <translation>View Share Address</translation>
    </message>
    <message>
        <source>取消文件分享</source>
        <translation>Stop Sharing</translation>
    </message>
    <message>
        <source>启用文件直链</source>
        <translation>Enable Direct Link</translation>
    </message>
    <message>
        <source>查看文件直链</source>
        <translation>View Direct Link</translation>
    </message>
    <message>
        <source>关闭文件直链</source>
        <translation>Close Direct Link</translation>
    </message>
    <message>
        <source>下载</source>
        <translation>Download</translation>
    </message>
    <message>
        <source>编辑外链分享</source>
        <translation>Edit Share</translation>
    </message>
    <message>
        <source>查看外链分享</source>
        <translation>View Share</translation>
    </message>
    <message>
        <source>编辑文件直链</source>
        <translation>Edit Direct Link</translation>
    </message>
    <message>
        <source>清空回收站</source>
        <translation>Empty Recycle Bin</translation>
    </message>
    <message>
        <source>还原</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>彻底删除</source>
        <translation>Delete Permanently</translation>
    </message>
    <message>
        <source>右键菜单</source>
        <translation>Context menu</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>续传</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>打开所在文件夹</source>
        <translation>Open Containing Folder</translation>
    </message>
</context>
<context>
    <name>nubexa::pages::ShareAddressDialog</name>
    <message>
        <source>查看外链分享地址</source>
        <translation>View Share Address</translation>
    </message>
    <message>
        <source>分享地址：</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>分享地址</source>
        <translation>Share address</translation>
    </message>
    <message>
        <source>提取码：</source>
        <translation>Code:</translation>
    </message>
    <message>
        <source>提取码</source>
        <translation>Extraction code</translation>
    </message>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
    <message>
        <source>复制链接</source>
        <translation>Copy Link</translation>
    </message>
    <message>
        <source>%1 提取码：%2</source>
        <translation>%1 Extraction code: %2</translation>
    </message>
</context>
<context>
    <name>nubexa::pages::ShareDialog</name>
    <message>
        <source>启用外链分享</source>
        <translation>Share Link</translation>
    </message>
    <message>
        <source>链接分享</source>
        <translation>By link</translation>
    </message>
    <message>
        <source>邮件分享</source>
        <translation>By e-mail</translation>
    </message>
    <message>
        <source>更多分享</source>
        <translation>More</translation>
    </message>
    <message>
        <source>默认直接启用外链分享，获取外链地址</source>
        <translation>Share now and get the share address</translation>
    </message>
    <message>
        <source>高级选项(可设置外链密码及分享积分)</source>
        <translation>Advanced (share password and points)</translation>
    </message>
    <message>
        <source>密码：</source>
        <translation>Password:</translation>
    </message>
    <message>
        <source>分享密码</source>
        <translation>Share password</translation>
    </message>
    <message>
        <source>下载资源分：</source>
        <translation>Points:</translation>
    </message>
    <message>
        <source>下载资源分</source>
        <translation>Download points</translation>
    </message>
    <message>
        <source>用户下载此资源，你将获得的积分</source>
        <translation>Points you earn when someone downloads it</translation>
    </message>
    <message>
        <source>请输入邮箱地址(多邮箱地址用逗号(,)隔开，单词最多5个邮箱)：</source>
        <translation>E-mail addresses (separated by commas, at most 5 at a time):</translation>
    </message>
    <message>
        <source>邮箱地址</source>
        <translation>E-mail addresses</translation>
    </message>
    <message>
        <source>分享：%1</source>
        <translation>Share: %1</translation>
    </message>
    <message>
        <source>分享的文件</source>
        <translation>Shared file</translation>
    </message>
</context>
<context>
    <name>nubexa::pages::ShareEditDialog</name>
    <message>
        <source>编辑外链分享</source>
        <translation>Edit Share</translation>
    </message>
    <message>
        <source>继续分享：</source>
        <translation>Keep sharing: </translation>
    </message>
    <message>
        <source>是</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>否</source>
        <translation>No</translation>
    </message>
    <message>
        <source>下一步</source>
        <translation>Next</translation>
    </message>
</context>
<context>
    <name>nubexa::pages::SyncFolders</name>
    <message>
        <source>本地文件夹不存在</source>
        <translation>the local folder does not exist</translation>
    </message>
    <message>
        <source>网盘的根目录不能同步</source>
        <translation>the top folder of the disk cannot be synced</translation>
    </message>
    <message>
        <source>无法新建网盘文件夹，请检查网络后重试</source>
        <translation>the disk folder could not be made; please check the network and try again</translation>
    </message>
    <message>
        <source>无法写入 bin.db</source>
        <translation>bin.db cannot be written</translation>
    </message>
    <message>
        <source>该文件夹已在同步</source>
        <translation>the folder is synced already</translation>
    </message>
    <message>
        <source>它位于一个同步文件夹中</source>
        <translation>it lies inside a synced folder</translation>
    </message>
    <message>
        <source>它包含一个同步文件夹</source>
        <translation>it holds a synced folder</translation>
    </message>
    <message>
        <source>它是、包含或位于客户端的数据文件夹</source>
        <translation>it is, holds or lies in the client&apos;s data folder</translation>
    </message>
    <message>
        <source>本地文件夹须为完整路径</source>
        <translation>the local folder must be a full path</translation>
    </message>
    <message>
        <source>同步文件夹</source>
        <translation>Sync Folders</translation>
    </message>
</context>
<context>
    <name>nubexa::pages::SyncFoldersDialog</name>
    <message>
        <source>本地文件夹与网盘文件夹保持同步：客户端运行时，本地的改动几秒内上传，网盘的改动定时取回。</source>
        <translation>Local folders are kept in step with disk folders: while the client runs, local changes go up within seconds and changes on the disk come down at regular intervals.</translation>
    </message>
    <message>
        <source>添加…</source>
        <translation>Add…</translation>
    </message>
    <message>
        <source>移除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>立即同步</source>
        <translation>Sync Now</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>同步文件夹</source>
        <translation>Sync Folders</translation>
    </message>
    <message>
        <source>同步文件夹说明</source>
        <translation>About sync folders</translation>
    </message>
    <message>
        <source>同步文件夹列表</source>
        <translation>Sync folder list</translation>
    </message>
    <message>
        <source>停止同步；两边的文件保持不变</source>
        <translation>Stop syncing; the files on both sides stay as they are</translation>
    </message>
    <message>
        <source>确认同步</source>
        <translation>Confirm sync</translation>
    </message>
    <message>
        <source>继续同步</source>
        <translation>Go Ahead</translation>
    </message>
    <message>
        <source>暂不同步</source>
        <translation>Not Now</translation>
    </message>
    <message>
        <source>这一轮同步将删除或替换 %1 个文件（共 %2 个）。是否继续？</source>
        <translation>This round would delete or replace %1 of %2 files. Go ahead?</translation>
    </message>
    <message>
        <source>%1
删除或替换的文件会移入回收站，可以找回。</source>
        <translation>%1
Deleted or replaced files go to the recycle bin and can be restored.</translation>
    </message>
    <message>
        <source>nubexa-cli 正在管理这台电脑上的传输队列，同步由它进行。</source>
        <translation>nubexa-cli is running this computer&apos;s transfer queue; it keeps the sync folders in step.</translation>
    </message>
    <message>
        <source>查看网盘改动的间隔：</source>
        <translation>Check the disk for changes every:</translation>
    </message>
    <message>
        <source> 分钟</source>
        <translation> min</translation>
    </message>
    <message>
        <source>查看网盘改动的间隔（分钟）</source>
        <translation>Interval between checks of the disk, in minutes</translation>
    </message>
</context>
<context>
    <name>nubexa::pages::SyncPairAddDialog</name>
    <message>
        <source>浏览…</source>
        <translation>Browse…</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>添加同步文件夹</source>
        <translation>Add Sync Folder</translation>
    </message>
    <message>
        <source>本地文件夹</source>
        <translation>Local folder</translation>
    </message>
    <message>
        <source>选择本地文件夹</source>
        <translation>Choose local folder</translation>
    </message>
    <message>
        <source>网盘文件夹</source>
        <translation>Disk folder</translation>
    </message>
    <message>
        <source>例如 /备份/照片；不存在时自动新建</source>
        <translation>e.g. /Backup/Photos; made if missing</translation>
    </message>
    <message>
        <source>同步模式</source>
        <translation>Sync mode</translation>
    </message>
    <message>
        <source>备份：本地到网盘，网盘上的文件不删除
镜像：网盘到本地，本地改动保留为冲突副本
双向：两边互相同步，删除的文件进入回收站</source>
        <translation>Backup: local to disk; nothing on the disk is deleted
Mirror: disk to local; local edits are kept as conflict copies
Two-way: both ways; deleted files go to the recycle bin</translation>
    </message>
    <message>
        <source>模式说明</source>
        <translation>About the modes</translation>
    </message>
    <message>
        <source>本地文件夹：</source>
        <translation>Local folder:</translation>
    </message>
    <message>
        <source>网盘文件夹：</source>
        <translation>Disk folder:</translation>
    </message>
    <message>
        <source>同步模式：</source>
        <translation>Mode:</translation>
    </message>
    <message>
        <source>选择要同步的本地文件夹</source>
        <translation>Choose the local folder to sync</translation>
    </message>
    <message>
        <source>选择…</source>
        <translation>Choose…</translation>
    </message>
    <message>
        <source>选择网盘文件夹</source>
        <translation>Choose a disk folder</translation>
    </message>
    <message>
        <source>网盘文件夹列表</source>
        <translation>Disk folders</translation>
    </message>
    <message>
        <source>正在读取网盘文件夹…</source>
        <translation>Reading the disk&apos;s folders…</translation>
    </message>
    <message>
        <source>网盘中还没有文件夹</source>
        <translation>No folders on the disk yet</translation>
    </message>
    <message>
        <source>未能读取网盘文件夹，请检查网络</source>
        <translation>Could not read the disk&apos;s folders: check the network</translation>
    </message>
    <message>
        <source>未能读取网盘文件夹</source>
        <translation>Could not read the disk&apos;s folders</translation>
    </message>
</context>
<context>
    <name>nubexa::pages::SyncPairModel</name>
    <message>
        <source>备份</source>
        <translation>Backup</translation>
    </message>
    <message>
        <source>镜像</source>
        <translation>Mirror</translation>
    </message>
    <message>
        <source>双向</source>
        <translation>Two-way</translation>
    </message>
    <message>
        <source>等待同步</source>
        <translation>Waiting</translation>
    </message>
    <message>
        <source>正在同步</source>
        <translation>Syncing</translation>
    </message>
    <message>
        <source>已同步</source>
        <translation>In step</translation>
    </message>
    <message>
        <source>正在传输</source>
        <translation>Transferring</translation>
    </message>
    <message>
        <source>需要确认：将删除或替换 %1 个文件（共 %2 个）</source>
        <translation>Needs your yes: would delete or replace %1 of %2 files</translation>
    </message>
    <message>
        <source>已暂停：本地文件夹不存在</source>
        <translation>Paused: the local folder is not there</translation>
    </message>
    <message>
        <source>未全部完成，下一轮继续</source>
        <translation>Not all done; the next round continues</translation>
    </message>
    <message>
        <source>未全部完成：%1</source>
        <translation>Not all done: %1</translation>
    </message>
    <message>
        <source>无法列出网盘文件夹</source>
        <translation>The disk folder could not be listed</translation>
    </message>
    <message>
        <source>从未</source>
        <translation>Never</translation>
    </message>
    <message>
        <source>本地文件夹</source>
        <translation>Local folder</translation>
    </message>
    <message>
        <source>网盘文件夹</source>
        <translation>Disk folder</translation>
    </message>
    <message>
        <source>模式</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>上次同步</source>
        <translation>Last sync</translation>
    </message>
    <message>
        <source>待传输</source>
        <translation>Queued</translation>
    </message>
    <message>
        <source>冲突</source>
        <translation>Conflicts</translation>
    </message>
    <message>
        <source>文件在同步时被修改</source>
        <translation>it changed while the round ran; the next round takes it</translation>
    </message>
    <message>
        <source>冲突副本已存在</source>
        <translation>a conflict copy of that name exists already</translation>
    </message>
    <message>
        <source>无法创建网盘文件夹</source>
        <translation>its disk folder could not be made</translation>
    </message>
    <message>
        <source>未能加入上传队列</source>
        <translation>it could not be queued for upload</translation>
    </message>
    <message>
        <source>未能加入下载队列</source>
        <translation>it could not be queued for download</translation>
    </message>
    <message>
        <source>文件名经过转换，不能从网盘更新</source>
        <translation>its name was changed for the disk, so it cannot be updated from there</translation>
    </message>
    <message>
        <source>回收站无法写入</source>
        <translation>the trash cannot be written</translation>
    </message>
    <message>
        <source>回收站中同名文件过多</source>
        <translation>the trash holds too many files of that name</translation>
    </message>
</context>
<context>
    <name>nubexa::pages::TransferListModel</name>
    <message>
        <source>本地文件信息</source>
        <translation>Local file</translation>
    </message>
    <message>
        <source>网盘文件信息</source>
        <translation>Cloud file</translation>
    </message>
    <message>
        <source>大小</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>进度</source>
        <translation>Progress</translation>
    </message>
    <message>
        <source>速度</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
</context>
<context>
    <name>nubexa::pages::TransferPage</name>
    <message>
        <source>全部暂停</source>
        <translation>Pause All</translation>
    </message>
    <message>
        <source>全部开始</source>
        <translation>Start All</translation>
    </message>
    <message>
        <source>传输列表</source>
        <translation>Transfer list</translation>
    </message>
    <message>
        <source>传输合计</source>
        <translation>Transfer totals</translation>
    </message>
</context>
<context>
    <name>nubexa::pages::TransferWords</name>
    <message>
        <source>等待</source>
        <translation>Waiting</translation>
    </message>
    <message>
        <source>上传</source>
        <translation>Uploading</translation>
    </message>
    <message>
        <source>下载</source>
        <translation>Downloading</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Paused</translation>
    </message>
    <message>
        <source>完成</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>未知</source>
        <translation>Unknown</translation>
    </message>
    <message>
        <source>失败</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>已暂停</source>
        <translation>Paused</translation>
    </message>
    <message>
        <source>待续传</source>
        <translation>To resume</translation>
    </message>
    <message>
        <source>待重试</source>
        <translation>Retrying soon</translation>
    </message>
    <message>
        <source>排队中</source>
        <translation>Queued</translation>
    </message>
    <message>
        <source>你暂停了这个任务，点“续传”继续</source>
        <translation>You paused this task; click “Resume” to go on</translation>
    </message>
    <message>
        <source>上次运行时没有传完，点“续传”继续</source>
        <translation>Not finished when the client last ran; click “Resume” to go on</translation>
    </message>
    <message>
        <source>多次传输失败，稍后自动重试；点“续传”立即重试</source>
        <translation>Failed several times; it will be retried soon, or click “Resume” to retry now</translation>
    </message>
    <message>
        <source>等待空闲的传输位置，会自动开始</source>
        <translation>Waiting for a free transfer slot; it starts by itself</translation>
    </message>
    <message>
        <source>剩余 %1</source>
        <translation>%1 left</translation>
    </message>
    <message>
        <source>没有正在上传的文件</source>
        <translation>No files uploading</translation>
    </message>
    <message>
        <source>没有正在下载的文件</source>
        <translation>No files downloading</translation>
    </message>
    <message numerus="yes">
        <source>共 %n 个文件，剩余 %1，%2</source>
        <translation>
            <numerusform>%n file, %1 left, %2</numerusform>
            <numerusform>%n files, %1 left, %2</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>nubexa::pages::ViewLinkDialog</name>
    <message>
        <source>查看文件直链</source>
        <translation>View Direct Link</translation>
    </message>
    <message>
        <source>直链地址：</source>
        <translation>Link:</translation>
    </message>
    <message>
        <source>直链地址</source>
        <translation>Direct link address</translation>
    </message>
</context>
</TS>
